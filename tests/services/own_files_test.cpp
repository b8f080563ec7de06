// The unattended program's own files: comparisons that read past the first piece, its hidden
// folder, and the room on a folder's volume.
#include "services/own_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "services/digest.h"
#include "services/journal_files.h"
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

// A file is found by its name in any letter case, as its path is written or through its
// translation, and its size and time alone are those of its identity.
TEST_F(OwnFilesTest, AFileIsFoundByAnyCaseOfItsNameAndItsSizeAndTimeAreItsIdentitys) {
  testing::WriteFile(folder_ / "Mixed.Txt", "12345");
  fs::create_directory(folder_ / "FOLDER");
  const FileIdentity identity = IdentityOf(state_, PathOf("Mixed.Txt"));
  for (const char* spelling : {"Mixed.Txt", "MIXED.TXT"}) {
    const FileIdentity facts = SizeAndTimeOf(state_, PathOf(spelling));
    EXPECT_EQ(facts.size, 5) << spelling;
    EXPECT_EQ(facts.modified, identity.modified) << spelling;
    EXPECT_TRUE(facts.fileId.empty()) << spelling;
    EXPECT_EQ(Sha256OfFile(state_, PathOf(spelling)), Sha256OfBytes(state_, "12345")) << spelling;
  }
  EXPECT_FALSE(SizeAndTimeOf(state_, PathOf("FOLDER")).Exists());
  EXPECT_FALSE(SizeAndTimeOf(state_, PathOf("MISSING")).Exists());
  EXPECT_EQ(TakeError(state_), 0);
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
