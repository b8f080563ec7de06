// Copying a file on a POSIX host. The data goes into a hidden temporary file beside the
// target, which then takes the target's place in one rename: whatever fails, the old target
// stays whole and no temporary file is left behind.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "services/files.h"
#include "services/posix/errno_map.h"
#include "services/posix/folder_names.h"
#include "services/posix/in_use.h"
#include "services/posix/paths.h"
#include "services/windows_codes.h"

namespace quelb {
namespace {

constexpr size_t kChunk = 1 << 20;
constexpr mode_t kPermissionBits = 0777;
constexpr ErrorNumber kOutOfMemory = 7;

bool Fail(ErrorState& state, int error, const std::string& hostPath) {
  posix::StoreErrno(state, error, hostPath);
  return false;
}

bool FailWith(ErrorState& state, uint32_t windowsCode) {
  StoreWindowsError(state, windowsCode, 0);
  return false;
}

class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  void Reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  int Get() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }
  // Closes now, so that a failure of the close itself can be reported.
  int Close() {
    const int result = close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_ = -1;
};

// A link as target stands for the file it names, which is the one to replace.
std::string ResolvedTarget(const std::string& target) {
  struct stat info;
  if (lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return target;
  return posix::CanonicalHostPath(target);
}

// Opened without blocking, so that a FIFO in the source's place cannot stop the copy.
bool OpenSource(ErrorState& state, const std::string& source, Descriptor& in, struct stat& info) {
  in.Reset(open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!in.IsOpen()) return Fail(state, errno, source);
  if (fstat(in.Get(), &info) != 0) return Fail(state, errno, source);
  if (!S_ISREG(info.st_mode)) return FailWith(state, wincode::kAccessDenied);
  if (fcntl(in.Get(), F_SETFL, 0) != 0) return Fail(state, errno, source);
  return true;
}

bool IsReadOnly(const struct stat& info) {
  return (info.st_mode & S_IWUSR) == 0;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A missing target is fine; an existing one must be a writable regular file that is neither
// the source itself nor held by another process.
bool TargetMayBeReplaced(ErrorState& state, const std::string& target, const struct stat& source) {
  struct stat info;
  if (stat(target.c_str(), &info) != 0) return errno == ENOENT || Fail(state, errno, target);
  if (SameFile(info, source)) return FailWith(state, wincode::kSharingViolation);
  if (!S_ISREG(info.st_mode) || IsReadOnly(info)) return FailWith(state, wincode::kAccessDenied);
  if (posix::HeldByAnotherProcess(target)) return FailWith(state, wincode::kSharingViolation);
  return true;
}

bool WriteAll(int out, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = write(out, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written == 0) errno = EIO;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool CopyByReadWrite(ErrorState& state, int in, int out, const std::string& source,
                     const std::string& target) {
  std::vector<char> buffer(kChunk);
  for (;;) {
    const ssize_t got = read(in, buffer.data(), buffer.size());
    if (got == 0) return true;
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Fail(state, errno, source);
    if (!WriteAll(out, buffer.data(), static_cast<size_t>(got))) return Fail(state, errno, target);
  }
}

bool CopyRangeUnsupported(int error) {
  return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

bool CopyData(ErrorState& state, int in, int out, const std::string& source,
              const std::string& target) {
  for (;;) {
    const ssize_t copied = copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
    if (copied == 0) return true;
    if (copied > 0 || errno == EINTR) continue;
    if (CopyRangeUnsupported(errno)) return CopyByReadWrite(state, in, out, source, target);
    return Fail(state, errno, target);
  }
}

bool CarryOverModeAndTime(ErrorState& state, int out, const struct stat& source,
                          const std::string& target) {
  const struct timespec times[2] = {source.st_atim, source.st_mtim};
  if (fchmod(out, source.st_mode & kPermissionBits) != 0) return Fail(state, errno, target);
  if (futimens(out, times) != 0) return Fail(state, errno, target);
  return true;
}

// A hidden, uniquely named file in the target's folder, removed again unless it has taken
// the target's place.
class TemporaryFile {
 public:
  ~TemporaryFile() {
    if (!path_.empty()) unlink(path_.c_str());
  }

  bool Create(ErrorState& state, const std::string& folder) {
    std::string pattern = folder + "/.copy-XXXXXX";
    out_.Reset(mkostemp(pattern.data(), O_CLOEXEC));
    if (!out_.IsOpen()) return Fail(state, errno, pattern);
    path_ = pattern;
    return true;
  }

  int Get() const { return out_.Get(); }

  bool Commit(ErrorState& state, const std::string& target) {
    if (fsync(out_.Get()) != 0) return Fail(state, errno, target);
    if (out_.Close() != 0) return Fail(state, errno, target);
    if (rename(path_.c_str(), target.c_str()) != 0) return Fail(state, errno, target);
    path_.clear();
    return true;
  }

 private:
  Descriptor out_;
  std::string path_;
};

// Makes the rename itself last through a crash; a failure here changes nothing for the caller.
void SyncFolder(const std::string& folder) {
  Descriptor dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.IsOpen()) fsync(dir.Get());
}

// The new file keeps the owner and group of the one it replaces where we may give them, so
// that an update run by an administrator leaves the suite's files to those who use them.
void KeepOwnerOf(const std::string& target, int out) {
  struct stat old;
  if (stat(target.c_str(), &old) != 0) return;
  // Only an administrator may give a file away; anyone else's new file stays their own.
  const int ignored = fchown(out, old.st_uid, old.st_gid);
  (void)ignored;
}

void CopyHostFile(ErrorState& state, const std::string& source, const std::string& target) {
  Descriptor in;
  struct stat info;
  if (!OpenSource(state, source, in, info)) return;
  if (!TargetMayBeReplaced(state, target, info)) return;
  TemporaryFile temporary;
  if (!temporary.Create(state, posix::HostFolderOf(target))) return;
  if (!CopyData(state, in.Get(), temporary.Get(), source, target)) return;
  KeepOwnerOf(target, temporary.Get());
  if (!CarryOverModeAndTime(state, temporary.Get(), info, target)) return;
  if (temporary.Commit(state, target)) SyncFolder(posix::HostFolderOf(target));
}

}  // namespace

void CopyFileTo(ErrorState& state, const Text& source, const Text& target) {
  const std::optional<std::string> hostSource = posix::HostPathOrError(state, source);
  if (!hostSource) return;
  const std::optional<std::string> hostTarget = posix::HostPathOrError(state, target);
  if (!hostTarget) return;
  try {
    CopyHostFile(state, *hostSource, ResolvedTarget(*hostTarget));
  } catch (const std::bad_alloc&) {
    StoreError(state, kOutOfMemory);
  }
  posix::NoteOwnChange(*hostTarget);
}

}  // namespace quelb
