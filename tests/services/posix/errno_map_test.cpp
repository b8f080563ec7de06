#include "services/posix/internal/errno_map.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "support/temp_folder.h"

namespace quelb::posix {
namespace {

TEST(ErrnoMap, MissingEntryIsFileOrPathByItsParentFolder) {
  testing::TempFolder folder;
  EXPECT_EQ(WindowsCodeOfErrno(ENOENT, (folder / "absent.txt").string()), 2u);
  EXPECT_EQ(WindowsCodeOfErrno(ENOENT, (folder / "absent.txt/").string()), 2u);
  EXPECT_EQ(WindowsCodeOfErrno(ENOENT, (folder / "gone" / "absent.txt").string()), 3u);
  EXPECT_EQ(WindowsCodeOfErrno(ENOENT, ""), 3u);

  // A file in the place of the parent folder is no folder.
  testing::WriteFile(folder / "plain", "x");
  EXPECT_EQ(WindowsCodeOfErrno(ENOENT, (folder / "plain" / "absent.txt").string()), 3u);
}

// The numbers a user meets most, where a slip would tell the wrong story or end the process.
TEST(ErrnoMap, CommonSituationsGiveTheNumbersOfWindows) {
  struct Case {
    int error;
    ErrorNumber number;
  };
  const Case cases[] = {
      {EACCES, 70}, {EROFS, 70}, {ETXTBSY, 70},      {ENOSPC, 61},
      {EDQUOT, 61}, {ENOMEM, 7}, {ENAMETOOLONG, 75}, {ENOMEDIUM, 71},
  };
  for (const Case& c : cases) {
    ErrorState state;
    StoreErrno(state, c.error, "/");
    EXPECT_EQ(state.number, c.number) << "errno " << c.error;
    EXPECT_EQ(state.rawCode, c.error);
  }
}

TEST(ErrnoMap, StoredMissingEntryKeepsErrnoBesideTheNumber) {
  testing::TempFolder folder;
  ErrorState state;
  StoreErrno(state, ENOENT, (folder / "absent").string());
  EXPECT_EQ(state.number, 53);
  EXPECT_EQ(state.rawCode, ENOENT);
  StoreErrno(state, ENOENT, (folder / "gone" / "absent").string());
  EXPECT_EQ(state.number, 76);
}

}  // namespace
}  // namespace quelb::posix
