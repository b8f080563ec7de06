// Logs on POSIX: written with write(2) as each line comes, so that a killed process leaves
// what it wrote, and synced when closed.
#include "services/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "services/backend.h"
#include "services/posix/internal/errno_map.h"
#include "services/posix/internal/folder_names.h"
#include "services/posix/internal/path_translation.h"

namespace quelb {
namespace {

constexpr int kAppendFlags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

int Descriptor(AppendedFile file) {
  return static_cast<int>(file);
}

}  // namespace

AppendedFile OpenToAppend(ErrorState& state, const Text& path, bool fresh) {
  const std::optional<std::string> hostPath = posix::HostPathOrError(state, path);
  if (!hostPath) return kNoAppendedFile;
  const int flags = fresh ? kAppendFlags | O_EXCL | O_NOFOLLOW : kAppendFlags;
  const int fd = open(hostPath->c_str(), flags, 0644);
  if (fd < 0) {
    posix::StoreErrno(state, errno, *hostPath);
    return kNoAppendedFile;
  }
  posix::NoteOwnChange(*hostPath);
  return fd;
}

void AppendText(ErrorState& state, AppendedFile file, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(Descriptor(file), bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      posix::StoreErrno(state, written < 0 ? errno : ENOSPC, {});
      return;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
}

void CloseAppended(ErrorState& state, AppendedFile file) {
  if (fsync(Descriptor(file)) != 0) posix::StoreErrno(state, errno, {});
  if (close(Descriptor(file)) != 0 && errno != EINTR) posix::StoreErrno(state, errno, {});
}

}  // namespace quelb
