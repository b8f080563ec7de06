// The host takes a path of fewer than PATH_MAX bytes, each name of at most NAME_MAX; a longer
// one fails with ENAMETOOLONG. What counts is the host path that the drive path stands for.
#include <cerrno>
#include <climits>

#include "services/files.h"
#include "services/posix/internal/errno_map.h"
#include "services/posix/internal/path_translation.h"

namespace quelb {
namespace {

bool HoldsLongName(const std::string& hostPath) {
  size_t start = 0;
  while (start < hostPath.size()) {
    size_t end = hostPath.find('/', start);
    if (end == std::string::npos) end = hostPath.size();
    if (end - start > NAME_MAX) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

bool PathTooLong(ErrorState& state, const Text& path) {
  // A path that names no host file at all is reported by the service that is handed it.
  const std::optional<std::string> host = posix::HostPathAsWritten(path);
  if (!host || (host->size() < PATH_MAX && !HoldsLongName(*host))) return false;
  posix::StoreErrno(state, ENAMETOOLONG, *host);
  return true;
}

bool CopyPathTooLong(ErrorState&, const Text&, const Text&) {
  return false;
}

}  // namespace quelb
