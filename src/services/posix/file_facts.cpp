// A program's own files on POSIX: facts from stat, files written whole under a temporary name
// and renamed, and folders hidden by their dot names alone.
#include "services/file_facts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "services/posix/internal/descriptor.h"
#include "services/posix/internal/errno_map.h"
#include "services/posix/internal/host_paths.h"
#include "services/posix/internal/path_translation.h"
#include "services/windows_codes.h"

namespace quelb {
namespace {

constexpr int64_t kNanosecondsPerSecond = 1000000000;

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return false;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

// The new file is never made through a link left under the temporary name.
bool WriteDurably(const std::string& hostPath, std::string_view bytes) {
  const posix::Descriptor file(
      open(hostPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
  return file.IsOpen() && WriteAll(file.Get(), bytes) && fsync(file.Get()) == 0;
}

bool SyncFolder(const std::string& hostFolder) {
  const posix::Descriptor folder(open(hostFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return folder.IsOpen() && fsync(folder.Get()) == 0;
}

}  // namespace

bool FactsOfFile(ErrorState& state, const Text& path, FileFacts& facts) {
  const std::optional<std::string> hostPath = posix::HostPathOrError(state, path);
  if (!hostPath) return false;
  struct stat info;
  if (stat(hostPath->c_str(), &info) != 0) {
    posix::StoreErrno(state, errno, *hostPath);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    StoreWindowsError(state, wincode::kAccessDenied, EISDIR);
    return false;
  }
  facts.size = info.st_size;
  facts.modified = info.st_mtim.tv_sec * kNanosecondsPerSecond + info.st_mtim.tv_nsec;
  return true;
}

void WriteWholeFile(ErrorState& state, const Text& path, std::string_view bytes) {
  const std::optional<std::string> hostPath = posix::HostPathOrError(state, path);
  if (!hostPath) return;
  const std::string temporary = *hostPath + ".new";
  if (!WriteDurably(temporary, bytes) || rename(temporary.c_str(), hostPath->c_str()) != 0 ||
      !SyncFolder(posix::HostFolderOf(*hostPath))) {
    const int error = errno;
    unlink(temporary.c_str());
    posix::StoreErrno(state, error, *hostPath);
  }
}

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
