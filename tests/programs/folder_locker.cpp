// Holds the lock of a folder the way a second run does, for the tests of one run per folder.
//   folder_locker <folder>
// Writes "ready" on its output once it holds the lock, then waits until its input reaches its
// end, so that the test decides how long the run is held off.
#include <cstdio>

#include "services/folder_lock.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  quelb::ErrorState state;
  quelb::FolderLockHandle handle = quelb::kNoFolderLock;
  quelb::Text holder;
  if (quelb::LockFolder(state, argv[1], handle, holder) != quelb::FolderLockAnswer::kTaken)
    return 3;
  std::puts("ready");
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  quelb::UnlockFolder(handle);
  return 0;
}
