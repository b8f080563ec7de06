// The unattended program's hidden folder on POSIX, which its dot name hides, and the room on a
// folder's file system.
#include "services/own_files.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <optional>
#include <string>

#include "services/posix/internal/errno_map.h"
#include "services/posix/internal/lookup_batch.h"
#include "services/posix/internal/path_translation.h"
#include "services/windows_codes.h"

namespace quelb {

void MakeHiddenFolder(ErrorState& state, const Text& path) {
  const std::optional<std::string> hostPath = posix::HostPathOrError(state, path);
  if (!hostPath) return;
  if (mkdir(hostPath->c_str(), 0755) != 0 && errno != EEXIST) {
    return posix::StoreErrno(state, errno, *hostPath);
  }
  posix::ForgetHeldFoldersAt(*hostPath);
  struct stat info;
  if (lstat(hostPath->c_str(), &info) != 0) return posix::StoreErrno(state, errno, *hostPath);
  if (!S_ISDIR(info.st_mode)) StoreWindowsError(state, wincode::kAccessDenied, ENOTDIR);
}

bool RoomOnVolumeOf(ErrorState& state, const Text& folder, VolumeRoom& room) {
  const std::optional<std::string> hostPath = posix::HostPathOrError(state, folder);
  if (!hostPath) return false;
  struct statvfs volume;
  struct stat info;
  if (statvfs(hostPath->c_str(), &volume) != 0 || stat(hostPath->c_str(), &info) != 0) {
    posix::StoreErrno(state, errno, *hostPath);
    return false;
  }
  const int64_t unit = volume.f_frsize != 0 ? volume.f_frsize : volume.f_bsize;
  room = {std::to_string(info.st_dev), static_cast<int64_t>(volume.f_bavail) * unit,
          unit > 0 ? unit : 1};
  return true;
}

}  // namespace quelb
