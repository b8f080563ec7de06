// A folder this process has locked is the one it opened then: swapped for a link to another
// folder meanwhile, the in-use test and the making of a folder still look only into it, and
// nothing of the other folder is opened, created or followed.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "services/files.h"
#include "services/folder_lock.h"
#include "services/posix/internal/in_use.h"
#include "support/second_process.h"
#include "support/temp_folder.h"

namespace quelb {
namespace {

namespace fs = std::filesystem;

class HeldFolderTest : public ::testing::Test {
 protected:
  HeldFolderTest() {
    fs::create_directories(folder_);
    testing::WriteFile(folder_ / "CM.EXE", "ours");
    Text holder;
    EXPECT_EQ(LockFolder(state_, folder_.string(), lock_, holder), FolderLockAnswer::kTaken);
    testing::WriteFile(elsewhere_ / "CM.EXE", "theirs");
    elsewhereHolder_ = std::make_unique<testing::SecondProcess>(
        testing::HolderCommand("open", elsewhere_ / "CM.EXE"));
    EXPECT_TRUE(elsewhereHolder_->Ready());
    fs::rename(folder_, moved_);
    fs::create_directory_symlink(elsewhere_.Path(), folder_);
  }
  ~HeldFolderTest() override { UnlockFolder(lock_); }

  ErrorNumber OpenAndClose(const std::string& name) {
    const int number = NextFileNumber();
    OpenExclusive(state_, (folder_ / name).string(), number, Access::kReadWrite);
    const ErrorNumber result = TakeError(state_);
    CloseFile(state_, number);
    return result;
  }

  testing::TempFolder scratch_;
  testing::TempFolder elsewhere_;
  fs::path folder_ = scratch_ / "QUELB";
  fs::path moved_ = scratch_ / "moved";
  ErrorState state_;
  FolderLockHandle lock_ = kNoFolderLock;
  std::unique_ptr<testing::SecondProcess> elsewhereHolder_;
};

TEST_F(HeldFolderTest, TheInUseTestLooksOnlyIntoTheLockedFolder) {
  EXPECT_EQ(OpenAndClose("CM.EXE"), 0) << "the program the link leads to was tested";
  EXPECT_FALSE(posix::HeldByAnotherProcess((folder_ / "CM.EXE").string()));
  EXPECT_EQ(OpenAndClose("zlib.dll"), 0);

  EXPECT_TRUE(fs::exists(moved_ / "zlib.dll"));
  EXPECT_FALSE(fs::exists(elsewhere_ / "zlib.dll"));
  EXPECT_EQ(testing::ReadFile(elsewhere_ / "CM.EXE"), "theirs");
}

TEST_F(HeldFolderTest, AFolderIsMadeInTheLockedFolder) {
  MakeFolder(state_, (folder_ / "SUB").string());

  EXPECT_EQ(TakeError(state_), 0);
  EXPECT_TRUE(fs::is_directory(moved_ / "SUB"));
  EXPECT_FALSE(fs::exists(elsewhere_ / "SUB"));
}

TEST_F(HeldFolderTest, ALockGivenUpLeavesTheNameToBeFollowedAgain) {
  UnlockFolder(lock_);
  lock_ = kNoFolderLock;

  EXPECT_EQ(OpenAndClose("CM.EXE"), 70);
  MakeFolder(state_, (folder_ / "SUB").string());
  EXPECT_TRUE(fs::is_directory(elsewhere_ / "SUB"));
}

}  // namespace
}  // namespace quelb
