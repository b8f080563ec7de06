// Exclusive opens on POSIX: the file is created when missing, refused when read-only under
// read-write, and refused when another process holds it; a free file keeps a write lease on
// our descriptor until it is closed, so other openers are held off while it is read.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "services/platform_files.h"
#include "services/posix/errno_map.h"
#include "services/posix/folder_names.h"
#include "services/posix/in_use.h"
#include "services/posix/paths.h"
#include "services/windows_codes.h"

namespace quelb::platform {
namespace {

int Descriptor(FileHandle handle) {
  return static_cast<int>(handle);
}

// Read-only is a file without its owner write bit, whoever runs the program, so root meets
// it as an administrator meets the Windows attribute. A missing file is not read-only.
bool MarkedReadOnly(const std::string& hostPath) {
  struct stat info;
  return stat(hostPath.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         (info.st_mode & S_IWUSR) == 0;
}

bool RefusedForWriting(int error) {
  return error == EACCES || error == EROFS;
}

// A missing file is created empty with mode 0666 less the umask.
int OpenCreating(const std::string& hostPath, int accessMode) {
  return open(hostPath.c_str(), accessMode | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
}

// Fails with errno set, EACCES for a read-only file under read-write.
int OpenForAccess(const std::string& hostPath, Access access) {
  const bool fallBack = access == Access::kReadWriteWithFallBack;
  if (MarkedReadOnly(hostPath)) {
    if (!fallBack) {
      errno = EACCES;
      return -1;
    }
    return OpenCreating(hostPath, O_RDONLY);
  }
  const int fd = OpenCreating(hostPath, O_RDWR);
  if (fd < 0 && fallBack && RefusedForWriting(errno)) return OpenCreating(hostPath, O_RDONLY);
  return fd;
}

// Folders, devices, pipes and sockets are not files to read whole.
bool IsRegularFile(int fd) {
  struct stat info;
  return fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

bool OpenExclusive(ErrorState& state, const Text& path, Access access, FileHandle& handle) {
  const std::optional<std::string> hostPath = posix::HostPathOrError(state, path);
  if (!hostPath) return false;
  const int fd = OpenForAccess(*hostPath, access);
  if (fd < 0) {
    posix::StoreErrno(state, errno, *hostPath);
    return false;
  }
  posix::NoteOwnChange(*hostPath);
  if (!IsRegularFile(fd)) {
    close(fd);
    StoreWindowsError(state, wincode::kAccessDenied, EISDIR);
    return false;
  }
  if (posix::HeldAgainstDescriptor(fd, *hostPath, true)) {
    close(fd);
    StoreWindowsError(state, wincode::kSharingViolation, EAGAIN);
    return false;
  }
  handle = fd;
  return true;
}

int64_t FileLength(ErrorState& state, FileHandle handle) {
  struct stat info;
  if (fstat(Descriptor(handle), &info) != 0) {
    posix::StoreErrno(state, errno, {});
    return 0;
  }
  return info.st_size;
}

int64_t ReadAt(ErrorState& state, FileHandle handle, int64_t position, char* into, int64_t count) {
  if (count <= 0 || position < 0) return 0;
  int64_t done = 0;
  while (done < count) {
    const ssize_t got = pread(Descriptor(handle), into + done, static_cast<size_t>(count - done),
                              static_cast<off_t>(position + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      posix::StoreErrno(state, errno, {});
      return 0;
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

// Closing the descriptor also gives up its lease.
void Close(ErrorState& state, FileHandle handle) {
  if (close(Descriptor(handle)) != 0 && errno != EINTR) posix::StoreErrno(state, errno, {});
}

}  // namespace quelb::platform
