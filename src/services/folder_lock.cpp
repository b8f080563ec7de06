// Folder locks, portable part: LockFolder around the backend's own, and the text that names a
// lock's holder.
#include "services/folder_lock.h"

#include <new>
#include <string>

#include "services/backend.h"

namespace quelb {

// A lock that cannot be recorded for want of memory is no lock; the run goes on without one.
FolderLockAnswer LockFolder(ErrorState& state, const Text& folder, FolderLockHandle& handle,
                            Text& holder) {
  handle = kNoFolderLock;
  holder.clear();
  try {
    return LockFolderOnHost(state, folder, handle, holder);
  } catch (const std::bad_alloc&) {
    return FolderLockAnswer::kNotLockable;
  }
}

Text FolderLockHolder(const Text& user, const Text& machine, uint64_t process, const Text& since) {
  return user + " on " + machine + ", process " + std::to_string(process) + ", since " + since;
}

}  // namespace quelb
