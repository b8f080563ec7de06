// Exclusive opens on POSIX: the file is created when missing, refused when read-only under
// read-write, and refused when another process holds it; a free file keeps a write lease on
// our descriptor until it is closed, so other openers are held off while it is read. A file
// opened only to be read, as a digest reads it, is neither created nor tested.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "services/backend.h"
#include "services/posix/internal/descriptor.h"
#include "services/posix/internal/errno_map.h"
#include "services/posix/internal/folder_lock.h"
#include "services/posix/internal/folder_names.h"
#include "services/posix/internal/host_paths.h"
#include "services/posix/internal/in_use.h"
#include "services/posix/internal/lookup_batch.h"
#include "services/posix/internal/path_translation.h"
#include "services/windows_codes.h"

namespace quelb::platform {
namespace {

int Descriptor(FileHandle handle) {
  return static_cast<int>(handle);
}

// Read-only is a file without its owner write bit, whoever runs the program, so root meets
// it as an administrator meets the Windows attribute.
bool MarkedReadOnly(int fd) {
  struct stat info;
  return fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0;
}

bool RefusedForWriting(int error) {
  return error == EACCES || error == EROFS;
}

constexpr int kOpenFlags = O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

int OpenExisting(int folder, const std::string& name, int flags) {
  return openat(folder, name.c_str(), flags | kOpenFlags);
}

// A missing file is created empty with mode 0666 less the umask, always as a new entry of
// its folder: never through a link left in its name, which would create the file it names.
// A file that appears meanwhile is opened as it is; a dangling link stays missing.
int OpenOrCreate(int folder, const std::string& name, int flags) {
  const int fd = OpenExisting(folder, name, flags);
  if (fd >= 0 || errno != ENOENT) return fd;
  const int created =
      openat(folder, name.c_str(),
             (flags & ~O_NOFOLLOW) | O_CREAT | O_EXCL | O_NOFOLLOW | kOpenFlags, 0666);
  if (created >= 0 || errno != EEXIST) return created;
  return OpenExisting(folder, name, flags);
}

// Closes fd and fails with error when it is set.
int Refused(int fd, int error) {
  if (error == 0) return fd;
  close(fd);
  errno = error;
  return -1;
}

// Whether the caller may write the open file: its owner write bit, then the rights and the
// medium, asked of the file itself through its descriptor. 0, or the errno of the refusal.
int WriteRefusal(int fd) {
  if (MarkedReadOnly(fd)) return EACCES;
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return faccessat(AT_FDCWD, self.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
}

// The read-write open, which the in-use test makes, takes the file its name holds for reading
// only, so that it never follows a link, writes nothing and sets no one's lease off by a
// write open; it fails as a write open would. A link in the name is no file to test: it
// fails as access denied. The name is looked up in the folder the run has locked, so that a
// folder swapped for a link meanwhile leads the test nowhere else.
int OpenCheckedForWriting(const std::string& hostPath) {
  const posix::Descriptor folder(posix::OpenFolderOnce(posix::HostFolderOf(hostPath)));
  if (!folder.IsOpen()) return -1;
  const int fd = OpenOrCreate(folder.Get(), posix::HostNameOf(hostPath), O_RDONLY | O_NOFOLLOW);
  if (fd < 0) {
    if (errno == ELOOP) errno = EACCES;
    return -1;
  }
  return Refused(fd, WriteRefusal(fd));
}

// Fails with errno set, EACCES for a read-only file under read-write. The file read whole
// may be reached through a link, as a source may be one.
int OpenForAccess(const std::string& hostPath, Access access) {
  if (access == Access::kReadWrite) return OpenCheckedForWriting(hostPath);
  const int fd = OpenOrCreate(AT_FDCWD, hostPath, O_RDWR);
  if (fd >= 0 && MarkedReadOnly(fd)) {
    close(fd);
    return OpenExisting(AT_FDCWD, hostPath, O_RDONLY);
  }
  if (fd < 0 && RefusedForWriting(errno)) return OpenOrCreate(AT_FDCWD, hostPath, O_RDONLY);
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

namespace {

// A file that opens as its path is written is the one its translation names; any other is
// opened again by its translation, so that a failure is reported as it always is.
int OpenForReadingAsWritten(const Text& path) {
  const std::optional<std::string> written = posix::HostPathAsWritten(path);
  if (!written) return -1;
  const posix::LookStart start = posix::LookStartInBatch(*written);
  return OpenExisting(start.folder, start.name, O_RDONLY);
}

}  // namespace

// POSIX has no share modes: a file being written is read as it is.
bool OpenForReading(ErrorState& state, const Text& path, FileHandle& handle) {
  const posix::LookupBatch batch;
  int fd = OpenForReadingAsWritten(path);
  if (fd < 0) {
    const std::optional<std::string> hostPath = posix::HostPathOrError(state, path);
    if (!hostPath) return false;
    fd = OpenExisting(AT_FDCWD, *hostPath, O_RDONLY);
    if (fd < 0) {
      posix::StoreErrno(state, errno, *hostPath);
      return false;
    }
  }
  if (!IsRegularFile(fd)) {
    close(fd);
    StoreWindowsError(state, wincode::kAccessDenied, EISDIR);
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
