// Host paths of a POSIX system.
#include "services/posix/internal/host_paths.h"

#include <cerrno>
#include <cstdlib>

namespace quelb::posix {

// The canonical form lets a folder be compared with drive roots; a path that is not there
// keeps its own text.
std::string CanonicalHostPath(const std::string& hostPath) {
  std::unique_ptr<char, decltype(&std::free)> resolved(realpath(hostPath.c_str(), nullptr),
                                                       &std::free);
  return resolved ? std::string(resolved.get()) : hostPath;
}

std::string HostFolderOf(const std::string& hostPath) {
  size_t end = hostPath.size();
  while (end > 1 && hostPath[end - 1] == '/') --end;
  const size_t slash = end == 0 ? std::string::npos : hostPath.rfind('/', end - 1);
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : hostPath.substr(0, slash);
}

std::string HostNameOf(const std::string& hostPath) {
  size_t end = hostPath.size();
  while (end > 1 && hostPath[end - 1] == '/') --end;
  const size_t start = hostPath.rfind('/', end == 0 ? 0 : end - 1);
  const std::string name = start == std::string::npos ? hostPath.substr(0, end)
                                                      : hostPath.substr(start + 1, end - start - 1);
  return name.empty() ? std::string(".") : name;
}

std::string JoinHostPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool HoldsFolder(const std::string& root, const std::string& folder) {
  if (root == "/") return true;
  return folder.compare(0, root.size(), root) == 0 &&
         (folder.size() == root.size() || folder[root.size()] == '/');
}

bool IsHostFolder(const std::string& hostPath, struct stat& info) {
  if (stat(hostPath.c_str(), &info) != 0) return false;
  if (S_ISDIR(info.st_mode)) return true;
  errno = ENOTDIR;
  return false;
}

bool IsHostFolder(const std::string& hostPath) {
  struct stat info;
  return IsHostFolder(hostPath, info);
}

bool IsHostFile(const std::string& hostPath) {
  struct stat info;
  return stat(hostPath.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace quelb::posix
