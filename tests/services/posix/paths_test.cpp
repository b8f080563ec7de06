#include "services/posix/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/guards.h"
#include "support/temp_folder.h"

namespace quelb::posix {
namespace {

namespace fs = std::filesystem;

std::string Canonical(const fs::path& path) {
  return fs::canonical(path).string();
}

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    c_ = Canonical(drives_.Root('c'));
    a_ = Canonical(drives_.Root('a'));
    fs::create_directories(fs::path(c_) / "LDGRHOME" / "DOWNLOAD");
  }

  testing::DriveTable drives_;
  std::string c_;
  std::string a_;
};

TEST_F(PathsTest, DriveLettersInEitherCaseNameTheSameRoot) {
  EXPECT_EQ(DriveRoot('c'), c_);
  EXPECT_EQ(DriveRoot('C'), c_);
  EXPECT_EQ(DriveRoot('A'), a_);
  EXPECT_EQ(HostPath("c:"), c_);
  EXPECT_EQ(HostPath("C:\\"), c_);
}

TEST_F(PathsTest, DriveWithoutEntryIsNotThere) {
  EXPECT_EQ(DriveRoot('q'), std::nullopt);
  EXPECT_EQ(DriveRoot('1'), std::nullopt);
  EXPECT_EQ(HostPath("Q:\\QUELB\\AP.EXE"), std::nullopt);
  EXPECT_EQ(HostPath("q:"), std::nullopt);
}

TEST_F(PathsTest, BothSeparatorsAndDoubledOnesSeparate) {
  const std::string expected = c_ + "/LDGRHOME/DOWNLOAD";
  EXPECT_EQ(HostPath("C:\\LDGRHOME\\DOWNLOAD"), expected);
  EXPECT_EQ(HostPath("C:/LDGRHOME/DOWNLOAD"), expected);
  EXPECT_EQ(HostPath("C:\\\\LDGRHOME/\\DOWNLOAD\\"), expected);
}

TEST_F(PathsTest, ComponentsMatchWithoutRegardToCase) {
  EXPECT_EQ(HostPath("c:\\ldgrhome\\Download"), c_ + "/LDGRHOME/DOWNLOAD");
  testing::WriteFile(fs::path(c_) / "LDGRHOME" / "DOWNLOAD" / "Pack.Qlb", "x");
  EXPECT_EQ(HostPath("C:\\LDGRHOME\\DOWNLOAD\\PACK.QLB"), c_ + "/LDGRHOME/DOWNLOAD/Pack.Qlb");
}

TEST_F(PathsTest, ExactSpellingWinsOverOneInAnotherCase) {
  fs::create_directories(fs::path(c_) / "data");
  fs::create_directories(fs::path(c_) / "DATA");
  EXPECT_EQ(HostPath("C:\\DATA"), c_ + "/DATA");
  EXPECT_EQ(HostPath("C:\\data"), c_ + "/data");
}

TEST_F(PathsTest, NamesNotYetThereKeepTheirSpelling) {
  EXPECT_EQ(HostPath("C:\\ldgrhome\\New.Txt"), c_ + "/LDGRHOME/New.Txt");
  EXPECT_EQ(HostPath("C:\\Missing\\Deeper\\x"), c_ + "/Missing/Deeper/x");
}

TEST_F(PathsTest, RelativePathsFollowTheCurrentFolder) {
  testing::TempFolder elsewhere;
  fs::create_directories(elsewhere / "Sub");
  testing::CurrentFolderGuard current(elsewhere.Path());
  const std::string here = Canonical(elsewhere.Path());
  EXPECT_EQ(CurrentDrive(), 0);
  EXPECT_EQ(HostPath("sub\\file.txt"), here + "/Sub/file.txt");
  // Off the lettered drives, a drive-relative path starts at the drive's root.
  EXPECT_EQ(HostPath("c:ldgrhome"), c_ + "/LDGRHOME");
  // Off the lettered drives, a leading separator starts at the host root.
  EXPECT_EQ(HostPath(here + "\\SUB"), here + "/Sub");
}

TEST_F(PathsTest, OnALetteredDriveRootedPathsStayOnIt) {
  testing::CurrentFolderGuard current(fs::path(c_) / "LDGRHOME");
  EXPECT_EQ(CurrentDrive(), 'c');
  EXPECT_EQ(HostPath("\\LDGRHOME\\DOWNLOAD"), c_ + "/LDGRHOME/DOWNLOAD");
  EXPECT_EQ(HostPath("\\QUELB"), c_ + "/QUELB");
  EXPECT_EQ(HostPath("\\"), c_);
  EXPECT_EQ(HostPath("C:download"), c_ + "/LDGRHOME/DOWNLOAD");
  EXPECT_EQ(HostPath("a:x"), a_ + "/x");
}

TEST_F(PathsTest, ARootedPathIsTheDrivesWhenTheDriveHoldsItsFirstFolder) {
  fs::create_directories(fs::path(c_) / "TMP");
  testing::CurrentFolderGuard current(c_);
  EXPECT_EQ(HostPath("\\TMP\\x"), c_ + "/TMP/x");
  EXPECT_EQ(HostPath("\\tmp\\x"), c_ + "/TMP/x") << "the host's /tmp does not win";
  fs::remove(fs::path(c_) / "TMP");
  EXPECT_EQ(HostPath("\\Tmp\\x"), c_ + "/Tmp/x") << "only an exact host spelling is the host's";
  EXPECT_EQ(HostPath("\\tmp\\x"), "/tmp/x");
}

TEST_F(PathsTest, StepsBackNeverLeaveTheRootOfTheDrive) {
  EXPECT_EQ(HostPath("C:\\..\\..\\LDGRHOME"), c_ + "/LDGRHOME");
  EXPECT_EQ(HostPath("C:\\LDGRHOME\\..\\.\\LDGRHOME\\DOWNLOAD"), c_ + "/LDGRHOME/DOWNLOAD");
  testing::CurrentFolderGuard current(fs::path(c_) / "LDGRHOME");
  EXPECT_EQ(HostPath("..\\..\\..\\QUELB"), c_ + "/QUELB");
}

TEST_F(PathsTest, HostPathsWorkAsTypedFromALetteredDrive) {
  testing::TempFolder elsewhere;
  const std::string there = Canonical(elsewhere.Path());
  testing::CurrentFolderGuard current(c_);
  EXPECT_EQ(HostPath(there), there);
  EXPECT_EQ(HostPath(there + "\\file.txt"), there + "/file.txt");
}

TEST_F(PathsTest, TextWithNulNamesNoFile) {
  EXPECT_EQ(HostPath(std::string("C:\\LDGRHOME\0\\x", 14)), std::nullopt);
  EXPECT_EQ(HostPath(""), std::nullopt);
}

}  // namespace
}  // namespace quelb::posix
