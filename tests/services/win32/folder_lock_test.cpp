// A folder that this process has locked is the same lock under each of its names: another
// drive letter that maps it, its short name, a trailing dot. A second open of its lock file
// would be refused as a sharing violation against ourselves. A lock file that cannot be opened
// is held, and a holder's file that no run writes names nobody.
#define WIN32_LEAN_AND_MEAN
#include "services/folder_lock.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/second_process.h"
#include "support/temp_folder.h"

namespace quelb {
namespace {

namespace fs = std::filesystem;

std::string ShortNameOf(const fs::path& folder) {
  char shortName[MAX_PATH] = {};
  const DWORD length = GetShortPathNameA(folder.string().c_str(), shortName, sizeof shortName);
  return length > 0 && length < sizeof shortName ? std::string(shortName, length) : std::string();
}

TEST(FolderLockNamesTest, EveryNameOfAHeldFolderIsTheLockThisProcessHolds) {
  testing::TempFolder scratch;
  const fs::path folder = scratch / "Accounting Suite";
  fs::create_directories(folder);
  testing::DriveTable drives;
  drives.Link('p', folder);
  std::vector<std::string> names = {"P:\\", folder.string() + "."};
  const std::string shortName = ShortNameOf(folder);
  if (!shortName.empty() && shortName != folder.string()) names.push_back(shortName);
  ErrorState state;
  FolderLockHandle handle = kNoFolderLock;
  Text holder;
  ASSERT_EQ(LockFolder(state, folder.string(), handle, holder), FolderLockAnswer::kTaken);

  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    FolderLockHandle again = kNoFolderLock;
    EXPECT_EQ(LockFolder(state, name, again, holder), FolderLockAnswer::kTaken);
    EXPECT_EQ(again, kNoFolderLock);
    EXPECT_EQ(TakeError(state), 0);
  }

  UnlockFolder(handle);
  FolderLockHandle afterwards = kNoFolderLock;
  EXPECT_EQ(LockFolder(state, "P:\\", afterwards, holder), FolderLockAnswer::kTaken);
  EXPECT_NE(afterwards, kNoFolderLock) << "the lock was not given up";
  UnlockFolder(afterwards);
}

// What a run left behind it when a power cut ended it: both files, the holder's naming it.
class LeftBehindTest : public ::testing::Test {
 protected:
  LeftBehindTest() {
    testing::WriteFile(lockFile_, "");
    testing::WriteFile(holderFile_, "ann on OFFICE2, process 4711, since 2026-12-08 19:30\r\n");
  }

  // This account may not open what the past run's account made, as a read-only file.
  static void KeepFromThisAccount(const fs::path& file) { testing::MakeReadOnly(file); }

  FolderLockAnswer Lock(FolderLockHandle& handle) {
    return LockFolder(state_, folder_.Path().string(), handle, holder_);
  }

  testing::TempFolder folder_;
  fs::path lockFile_ = folder_ / kFolderLockName;
  fs::path holderFile_ = folder_ / ".setup-run.who";
  ErrorState state_;
  Text holder_ = "unset";
};

TEST_F(LeftBehindTest, ALockFileThatOpensIsNoLockAndItsHolderFileIsWrittenAnew) {
  FolderLockHandle handle = kNoFolderLock;
  ASSERT_EQ(Lock(handle), FolderLockAnswer::kTaken);

  testing::SecondProcess other({testing::TestProgram("folder_locker"), folder_.Path().string()});
  EXPECT_FALSE(other.Ready()) << "the lock was not taken";
  UnlockFolder(handle);
  EXPECT_FALSE(fs::exists(lockFile_));
  EXPECT_FALSE(fs::exists(holderFile_));
}

TEST_F(LeftBehindTest, ALockFileThisAccountCannotOpenIsHeldBySomeoneNotKnown) {
  if (testing::ReadOnlyIsIgnored()) GTEST_SKIP() << testing::kReadOnlyIgnored;
  KeepFromThisAccount(lockFile_);
  KeepFromThisAccount(holderFile_);
  FolderLockHandle handle = kNoFolderLock;

  EXPECT_EQ(Lock(handle), FolderLockAnswer::kHeldUnopenable);

  EXPECT_EQ(handle, kNoFolderLock);
  EXPECT_EQ(TakeError(state_), 70);
  EXPECT_EQ(holder_, "") << "a past holder is named";
  EXPECT_TRUE(fs::exists(lockFile_));
}

// The run that holds the lock now could not write the holder's file anew: what it still says
// is the past run's.
TEST_F(LeftBehindTest, AHolderFileNoRunCouldWriteAnewNamesNobody) {
  if (testing::ReadOnlyIsIgnored()) GTEST_SKIP() << testing::kReadOnlyIgnored;
  KeepFromThisAccount(holderFile_);
  testing::SecondProcess other({testing::TestProgram("folder_locker"), folder_.Path().string()});
  ASSERT_TRUE(other.Ready());
  FolderLockHandle handle = kNoFolderLock;

  EXPECT_EQ(Lock(handle), FolderLockAnswer::kHeldElsewhere);

  EXPECT_EQ(TakeError(state_), 70);
  EXPECT_EQ(holder_, "") << "a past holder is named";
  other.End();
  EXPECT_EQ(Lock(handle), FolderLockAnswer::kTaken);
  UnlockFolder(handle);
}

}  // namespace
}  // namespace quelb
