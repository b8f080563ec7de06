// The unattended program's hidden folder on POSIX: its dot name hides it.
#include "services/own_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <string>

#include "services/posix/internal/errno_map.h"
#include "services/posix/internal/path_translation.h"
#include "services/windows_codes.h"

namespace quelb {

void MakeHiddenFolder(ErrorState& state, const Text& path) {
  const std::optional<std::string> hostPath = posix::HostPathOrError(state, path);
  if (!hostPath) return;
  if (mkdir(hostPath->c_str(), 0755) != 0 && errno != EEXIST) {
    return posix::StoreErrno(state, errno, *hostPath);
  }
  struct stat info;
  if (lstat(hostPath->c_str(), &info) != 0) return posix::StoreErrno(state, errno, *hostPath);
  if (!S_ISDIR(info.st_mode)) StoreWindowsError(state, wincode::kAccessDenied, ENOTDIR);
}

}  // namespace quelb
