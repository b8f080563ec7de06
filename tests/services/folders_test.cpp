#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "services/files.h"
#include "support/temp_folder.h"

namespace quelb {
namespace {

namespace fs = std::filesystem;

class MakeFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    c_ = drives_.Root('c');
    before_ = NamesIn(c_);
  }

  // The system's drive C: holds more than the test made there.
  static std::set<std::string> NamesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  testing::DriveTable drives_;
  fs::path c_;
  std::set<std::string> before_;
  ErrorState state_;
};

TEST_F(MakeFolderTest, CreatesOneLevelUnderAParentMatchedInAnyCase) {
  fs::create_directories(c_ / "LDGRHOME");
  MakeFolder(state_, "c:\\ldgrhome\\DOWNLOAD");
  EXPECT_EQ(state_.number, 0);
  EXPECT_TRUE(fs::is_directory(c_ / "LDGRHOME" / "DOWNLOAD"));
  MakeFolder(state_, "C:/QUELB/");
  EXPECT_EQ(state_.number, 0);
  EXPECT_TRUE(fs::is_directory(c_ / "QUELB"));
}

TEST_F(MakeFolderTest, ExistingFolderOrFileFailsWith75) {
  fs::create_directories(c_ / "QUELB");
  MakeFolder(state_, "C:\\quelb");
  EXPECT_EQ(TakeError(state_), 75);
  testing::WriteFile(c_ / "PLAIN", "x");
  MakeFolder(state_, "C:\\PLAIN");
  EXPECT_EQ(TakeError(state_), 75);
  EXPECT_TRUE(fs::is_regular_file(c_ / "PLAIN"));
}

TEST_F(MakeFolderTest, MissingParentOrDriveFailsWith76AndCreatesNothing) {
  MakeFolder(state_, "C:\\MISSING\\NEW");
  EXPECT_EQ(TakeError(state_), 76);
  EXPECT_FALSE(fs::exists(c_ / "MISSING"));
  MakeFolder(state_, "Q:\\NEW");
  EXPECT_EQ(TakeError(state_), testing::MissingDriveNumber());
}

TEST_F(MakeFolderTest, WildcardsFailWith76AndCreateNothing) {
  MakeFolder(state_, "C:\\NEW*");
  EXPECT_EQ(TakeError(state_), 76);
  MakeFolder(state_, "C:\\NEW?");
  EXPECT_EQ(TakeError(state_), 76);
  EXPECT_EQ(NamesIn(c_), before_);
}

TEST_F(MakeFolderTest, NamesWindowsCannotHoldFailWith75AndCreateNothing) {
  std::vector<const char*> paths{"C:\\QU\"OTE", "C:\\A<B", "C:\\A>B", "C:\\A|B", "C:\\NEW\x01"};
#ifndef _WIN32
  // On Windows a colon after a name names a data stream of that file.
  paths.insert(paths.end(), {"C:\\A:B", "C:NEW:"});
#endif
  for (const char* path : paths) {
    MakeFolder(state_, path);
    EXPECT_EQ(TakeError(state_), 75) << path;
  }
  EXPECT_EQ(NamesIn(c_), before_);
}

TEST_F(MakeFolderTest, DriveWithoutItsDiskFailsWith71) {
  if (!testing::DrivesWithoutDiskCanBeMade()) GTEST_SKIP() << testing::kNoDriveWithoutDisk;
  drives_.Link('d', c_ / "NO-DISK");
  MakeFolder(state_, "D:\\QUELB");
  EXPECT_EQ(TakeError(state_), 71);
  EXPECT_FALSE(fs::exists(c_ / "NO-DISK"));
}

TEST_F(MakeFolderTest, OverlongNameFailsWithoutCreatingAShorterOne) {
  MakeFolder(state_, "C:\\" + std::string(300, 'N'));
  EXPECT_EQ(TakeError(state_), 75);
  EXPECT_EQ(NamesIn(c_), before_);
}

}  // namespace
}  // namespace quelb
