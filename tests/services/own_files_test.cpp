// The unattended program's own files: comparisons that read past the first piece, its hidden
// folder, and the room on a folder's volume.
#include "services/own_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_folder.h"
#ifdef _WIN32
#include <windows.h>
#endif

namespace quelb {
namespace {

namespace fs = std::filesystem;

class OwnFilesTest : public ::testing::Test {
 protected:
  Text PathOf(const char* name) const { return (folder_.Path() / name).string(); }

  testing::TempFolder folder_;
  ErrorState state_;
};

// Files longer than one piece differ only in their last byte.
TEST_F(OwnFilesTest, SameBytesReadsWholeFiles) {
  const std::string long_(200000, 'x');
  testing::WriteFile(folder_ / "A", long_);
  testing::WriteFile(folder_ / "B", long_);
  testing::WriteFile(folder_ / "C", long_.substr(1) + "y");
  testing::WriteFile(folder_ / "D", long_ + "x");
  EXPECT_TRUE(SameBytes(state_, PathOf("A"), PathOf("B")));
  EXPECT_FALSE(SameBytes(state_, PathOf("A"), PathOf("C")));
  EXPECT_FALSE(SameBytes(state_, PathOf("A"), PathOf("D")));
  EXPECT_EQ(state_.number, 0);
  EXPECT_FALSE(SameBytes(state_, PathOf("A"), PathOf("MISSING")));
  EXPECT_EQ(TakeError(state_), error_number::kFileNotFound);
}

TEST_F(OwnFilesTest, TheHiddenFolderIsMadeOnceAndALinkInItsPlaceIsRefused) {
  MakeHiddenFolder(state_, PathOf(".own"));
  MakeHiddenFolder(state_, PathOf(".own"));
  EXPECT_EQ(state_.number, 0);
  EXPECT_TRUE(fs::is_directory(folder_ / ".own"));
#ifdef _WIN32
  EXPECT_NE(GetFileAttributesA(PathOf(".own").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
#else
  fs::create_directories(folder_ / "elsewhere");
  fs::create_directory_symlink(folder_ / "elsewhere", folder_ / ".linked");
  MakeHiddenFolder(state_, PathOf(".linked"));
  EXPECT_EQ(TakeError(state_), error_number::kAccessDenied);
#endif
  testing::WriteFile(folder_ / ".file", "");
  MakeHiddenFolder(state_, PathOf(".file"));
  EXPECT_NE(TakeError(state_), 0);
}

TEST_F(OwnFilesTest, TwoFoldersOfOneVolumeShareItsRoomAndAMissingFolderHasNone) {
  fs::create_directories(folder_ / "one");
  fs::create_directories(folder_ / "two");
  VolumeRoom one;
  VolumeRoom two;
  ASSERT_TRUE(RoomOnVolumeOf(state_, PathOf("one"), one));
  ASSERT_TRUE(RoomOnVolumeOf(state_, PathOf("two"), two));
  EXPECT_FALSE(one.volume.empty());
  EXPECT_EQ(one.volume, two.volume);
  EXPECT_GT(one.freeBytes, 0);
  EXPECT_GE(one.unitBytes, 512);
  VolumeRoom missing;
  EXPECT_FALSE(RoomOnVolumeOf(state_, PathOf("missing"), missing));
  EXPECT_NE(TakeError(state_), 0);
}

}  // namespace
}  // namespace quelb
