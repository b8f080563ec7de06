// Creating a folder on a POSIX host: exactly one level, as CreateDirectoryA does. It is made
// in its parent as the run holds it, so that a parent swapped for a link meanwhile makes
// nothing where the link points.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <string>

#include "services/dos_path.h"
#include "services/files.h"
#include "services/posix/internal/descriptor.h"
#include "services/posix/internal/durability.h"
#include "services/posix/internal/errno_map.h"
#include "services/posix/internal/folder_lock.h"
#include "services/posix/internal/folder_names.h"
#include "services/posix/internal/folder_walk.h"
#include "services/posix/internal/host_paths.h"
#include "services/posix/internal/path_translation.h"

namespace quelb {
namespace {

constexpr mode_t kFolderMode = 0777;

bool MadeInParent(const std::string& folder) {
  const posix::Descriptor parent(posix::OpenFolderOnce(posix::HostFolderOf(folder)));
  return parent.IsOpen() &&
         mkdirat(parent.Get(), posix::HostNameOf(folder).c_str(), kFolderMode) == 0;
}

}  // namespace

bool ReachedThroughAnotherAccountsLink(const Text& path) {
  const std::optional<std::string> hostPath = posix::HostPath(path);
  return hostPath && posix::WalkMeetsAnotherAccountsLink(*hostPath);
}

void MakeFolder(ErrorState& state, const Text& path) {
  if (dos::HoldsWildcard(path)) return StoreError(state, error_number::kFolderNotFound);
  const std::optional<std::string> folder = posix::HostPathOrError(state, path);
  if (!folder) return;
  if (!MadeInParent(*folder)) return posix::StoreErrno(state, errno, *folder);
  posix::NoteOwnChange(*folder);
  posix::NoteChangedFolder(posix::HostFolderOf(*folder));
}

}  // namespace quelb
