// A folder that this process has locked is the same lock under each of its names: another
// drive letter that maps it, its short name, a trailing dot. A second open of its lock file
// would be refused as a sharing violation against ourselves.
#define WIN32_LEAN_AND_MEAN
#include "services/folder_lock.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

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

}  // namespace
}  // namespace quelb
