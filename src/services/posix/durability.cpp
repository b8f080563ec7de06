// Durability of what a run wrote: one sync of each folder whose entries its copies and new
// folders changed, and a sync of the file system that an archive unpacked into.
#include "services/posix/internal/durability.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <set>
#include <string>

#include "services/files.h"
#include "services/posix/internal/descriptor.h"
#include "services/posix/internal/errno_map.h"
#include "services/posix/internal/folder_lock.h"
#include "services/posix/internal/folder_walk.h"
#include "services/posix/internal/host_paths.h"
#include "services/posix/internal/path_translation.h"
#include "services/windows_codes.h"

namespace quelb {
namespace {

std::set<std::string>& ChangedFolders() {
  static std::set<std::string> folders;
  return folders;
}

// A folder the run has locked is the one it opened then, whatever its name holds now.
int OpenFolder(const std::string& hostFolder) {
  const posix::Descriptor held(posix::DuplicateHeldFolder(hostFolder));
  if (held.IsOpen()) return openat(held.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  return open(hostFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// A folder that has gone since (removed by another hand) has no entries left to keep.
bool SyncFolder(ErrorState& state, const std::string& hostFolder) {
  const posix::Descriptor dir(OpenFolder(hostFolder));
  if (!dir.IsOpen() && (errno == ENOENT || errno == ENOTDIR)) return true;
  if (!dir.IsOpen() || fsync(dir.Get()) != 0) {
    posix::StoreErrno(state, errno, hostFolder);
    return false;
  }
  return true;
}

}  // namespace

void posix::NoteChangedFolder(const std::string& hostFolder) {
  ChangedFolders().insert(hostFolder);
}

// A folder that fails stays noted, so that a retry syncs it again.
void MakeCopiesDurable(ErrorState& state) {
  std::set<std::string>& folders = ChangedFolders();
  for (auto folder = folders.begin(); folder != folders.end();) {
    folder = SyncFolder(state, *folder) ? folders.erase(folder) : std::next(folder);
  }
}

// The folder is opened before work starts: a sync reports the write errors of its file
// system since the descriptor was opened, so an error in the writeback of a file that the
// archive wrote and closed long before the sync is still seen. A folder that work itself
// makes is opened afterwards. Nothing is unpacked into a folder reached through a link of
// another account's, which the run's own copies do not write into either.
void WriteDurablyInto(ErrorState& state, const Text& folder, const std::function<void()>& work) {
  const std::optional<std::string> hostFolder = posix::HostPath(folder);
  if (hostFolder && posix::WalkMeetsAnotherAccountsLink(*hostFolder)) {
    return StoreWindowsError(state, wincode::kAccessDenied, EACCES);
  }
  posix::Descriptor dir(hostFolder ? OpenFolder(*hostFolder) : -1);
  work();
  if (state.number != 0) return;
  if (!hostFolder) {
    posix::HostPathOrError(state, folder);
    return;
  }
  if (!dir.IsOpen()) dir.Reset(OpenFolder(*hostFolder));
  if (!dir.IsOpen() || syncfs(dir.Get()) != 0) posix::StoreErrno(state, errno, *hostFolder);
}

}  // namespace quelb
