// Copying a file on a POSIX host. The data goes into a replacement file beside the target,
// which takes the target's place in one rename: whatever fails, the old target stays whole.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "services/files.h"
#include "services/posix/internal/durability.h"
#include "services/posix/internal/errno_map.h"
#include "services/posix/internal/folder_lock.h"
#include "services/posix/internal/folder_names.h"
#include "services/posix/internal/host_paths.h"
#include "services/posix/internal/in_use.h"
#include "services/posix/internal/lookup_batch.h"
#include "services/posix/internal/path_translation.h"
#include "services/posix/internal/replacement.h"
#include "services/posix/internal/waiting_copies.h"
#include "services/windows_codes.h"

namespace quelb {
namespace {

using posix::Descriptor;

// The kernel copies without a buffer of ours, so one call may ask for a great deal.
constexpr size_t kRangeChunk = size_t{1} << 30;
constexpr size_t kBufferSize = size_t{1} << 20;
constexpr mode_t kPermissionBits = 0777;
constexpr off_t kLargeTarget = off_t{1} << 20;

bool Fail(ErrorState& state, int error, const std::string& hostPath) {
  posix::StoreErrno(state, error, hostPath);
  return false;
}

bool FailWith(ErrorState& state, uint32_t windowsCode) {
  StoreWindowsError(state, windowsCode, 0);
  return false;
}

// The file a copy replaces, reached through its folder so that its path is walked once. A
// link in the target's name is replaced as a name is on Windows, and what it names is left
// alone: the new file then comes as a new one.
struct OldTarget {
  std::string path;
  std::string folderPath;
  std::string name;
  Descriptor folder;
  bool exists = false;
  struct stat info {};
};

bool OpenTargetFolder(ErrorState& state, const std::string& target, OldTarget& old) {
  old.path = target;
  old.folderPath = posix::HostFolderOf(target);
  old.name = target.substr(target.rfind('/') + 1);
  old.folder.Reset(posix::OpenFolderOnce(old.folderPath));
  // Named as the target, so that a missing folder reads as a missing path.
  return old.folder.IsOpen() || Fail(state, errno, target);
}

// Looks at the target once; a missing one is fine.
bool LookAtTarget(ErrorState& state, const std::string& target, OldTarget& old) {
  if (!OpenTargetFolder(state, target, old)) return false;
  if (fstatat(old.folder.Get(), old.name.c_str(), &old.info, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT || Fail(state, errno, target);
  }
  old.exists = !S_ISLNK(old.info.st_mode);
  return true;
}

// Root follows a link in the source's name only to a file of the link's own owner, as the
// kernel's protected links do, so that a link another user made to a file of root's copies
// nothing. The name is looked at after the open: a name changed meanwhile is refused too.
bool SourceNameMayBeFollowed(const std::string& source, const struct stat& opened) {
  if (geteuid() != 0) return true;
  struct stat named;
  if (lstat(source.c_str(), &named) != 0) return false;
  if (S_ISLNK(named.st_mode)) return named.st_uid == opened.st_uid;
  return named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

// Opened without blocking, so that a FIFO in the source's place cannot stop the copy; on a
// regular file the flag changes nothing.
bool OpenSource(ErrorState& state, const std::string& source, Descriptor& in, struct stat& info) {
  in.Reset(open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!in.IsOpen()) return Fail(state, errno, source);
  if (fstat(in.Get(), &info) != 0) return Fail(state, errno, source);
  if (!S_ISREG(info.st_mode)) return FailWith(state, wincode::kAccessDenied);
  if (!SourceNameMayBeFollowed(source, info)) return FailWith(state, wincode::kAccessDenied);
  return true;
}

bool IsReadOnly(const struct stat& info) {
  return (info.st_mode & S_IWUSR) == 0;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// An existing target must be a writable regular file that is neither the source itself nor
// held by another process.
bool TargetMayBeReplaced(ErrorState& state, const OldTarget& old, const struct stat& source) {
  if (!old.exists) return true;
  if (SameFile(old.info, source)) return FailWith(state, wincode::kSharingViolation);
  if (!S_ISREG(old.info.st_mode) || IsReadOnly(old.info)) {
    return FailWith(state, wincode::kAccessDenied);
  }
  if (posix::HeldByAnotherProcess(old.folder.Get(), old.name, old.path)) {
    return FailWith(state, wincode::kSharingViolation);
  }
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
  std::vector<char> buffer(kBufferSize);
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

// A source that tells its size is done once that much is copied; one that says 0, as files
// of /proc do, is read to its end.
bool CopyData(ErrorState& state, int in, int out, off_t size, const std::string& source,
              const std::string& target) {
  for (off_t done = 0; size == 0 || done < size;) {
    const ssize_t copied = copy_file_range(in, nullptr, out, nullptr, kRangeChunk, 0);
    if (copied == 0) return true;
    if (copied > 0) done += copied;
    if (copied > 0 || errno == EINTR) continue;
    if (CopyRangeUnsupported(errno)) return CopyByReadWrite(state, in, out, source, target);
    return Fail(state, errno, target);
  }
  return true;
}

// The umask can only be read by setting it; the program has one thread.
mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

// A delivered file is never read-only because its source was, as every file on a CD-ROM is:
// one that replaces another keeps the old file's permissions, a new one takes the source's
// with the owner's write bit, less the umask. Neither is ever setuid or setgid.
mode_t DeliveredMode(const OldTarget& old, const struct stat& source) {
  if (old.exists && S_ISREG(old.info.st_mode)) return old.info.st_mode & kPermissionBits;
  return (source.st_mode | S_IWUSR) & kPermissionBits & ~CurrentUmask();
}

bool CarryOverModeAndTime(ErrorState& state, int out, mode_t mode, const struct stat& source,
                          const std::string& target) {
  const struct timespec times[2] = {source.st_atim, source.st_mtim};
  if (fchmod(out, mode) != 0) return Fail(state, errno, target);
  if (futimens(out, times) != 0) return Fail(state, errno, target);
  return true;
}

// Whether the source's permission bits let the members of a group read it.
bool GroupMayRead(const struct stat& source, gid_t gid) {
  return (source.st_mode & (source.st_gid == gid ? S_IRGRP : S_IROTH)) != 0;
}

// Whether they let a user of that primary group read it.
bool UserMayRead(const struct stat& source, uid_t uid, gid_t gid) {
  if (uid == 0) return true;
  if (source.st_uid == uid) return (source.st_mode & S_IRUSR) != 0;
  return GroupMayRead(source, gid);
}

// The new file keeps the owner and group of the one it replaces where we may give them, so
// that an update run by an administrator leaves the suite's files to those who use them. A
// source that owner or group could not read stays with whoever copied it.
void KeepOwnerOf(const OldTarget& old, const struct stat& source, int out) {
  if (!old.exists) return;
  if (!UserMayRead(source, old.info.st_uid, old.info.st_gid)) return;
  if (!GroupMayRead(source, old.info.st_gid)) return;
  // Only an administrator may give a file away; anyone else's new file stays their own.
  const int ignored = fchown(out, old.info.st_uid, old.info.st_gid);
  (void)ignored;
}

// The source a copy reads, opened before anything is changed.
struct OpenedSource {
  std::string path;
  Descriptor in;
  struct stat info {};
};

bool SameSizeAndTime(const struct stat& a, const struct stat& b) {
  return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
         a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// A source that changed while it was copied, as a file still being downloaded does, is not
// delivered: someone else was writing it. Its size or modification time moved, or the copy
// holds more or fewer bytes than the size it told at the start, as a file that lies about its
// size gives. A source that tells no size, as files of /proc do, is read to its end instead.
bool SourceStayedAsItWas(ErrorState& state, const OpenedSource& source, int out,
                         const std::string& target) {
  struct stat now {};
  struct stat copied {};
  if (fstat(source.in.Get(), &now) != 0) return Fail(state, errno, source.path);
  if (fstat(out, &copied) != 0) return Fail(state, errno, target);
  bool stayed = SameSizeAndTime(source.info, now);
  if (stayed && source.info.st_size > 0) {
    char beyond = 0;
    stayed = copied.st_size == source.info.st_size &&
             pread(source.in.Get(), &beyond, 1, source.info.st_size) <= 0;
  }
  return stayed || FailWith(state, wincode::kSharingViolation);
}

// Paths are first taken as written: one that the copy finds so is what its translation gives,
// and the copy has looked it up itself. Any failure leaves the path to be translated in full
// first, so that it is reported as it always is.
bool OpenAsWritten(const Text& source, OpenedSource& opened) {
  const std::optional<std::string> path = posix::HostPathAsWritten(source);
  if (!path) return false;
  opened.path = *path;
  ErrorState ignored;
  return OpenSource(ignored, opened.path, opened.in, opened.info);
}

bool FoundAsWritten(const std::optional<std::string>& target, OldTarget& old) {
  ErrorState ignored;
  return target && LookAtTarget(ignored, *target, old) && old.exists;
}

// The cached pages of a large old target are given back before the copy, so that the new
// file's pages come from memory just in use, as they do for a copy over its target, and not
// from memory long free, which a virtual machine may have handed back to its host and must
// fault in again. The old file stays whole on its disk; only its clean cached pages go.
void GiveBackCacheOf(const OldTarget& old) {
  if (!old.exists || old.info.st_size < kLargeTarget) return;
  const Descriptor fd(openat(old.folder.Get(), old.name.c_str(),
                             O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
  if (fd.IsOpen()) posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_DONTNEED);
}

// Whether the new file may wait for a sync of many, or takes its target's place now.
enum class Finish { kNow, kMayWait };

// True when the copy waits.
bool Replace(ErrorState& state, const OpenedSource& source, OldTarget& old, Finish finish) {
  if (!TargetMayBeReplaced(state, old, source.info)) return false;
  GiveBackCacheOf(old);
  posix::RemoveLeftoverReplacements(old.folder.Get(), old.folderPath);
  auto replacement = std::make_unique<posix::Replacement>(old.folder.Get(), old.folderPath);
  if (!replacement->Create(state)) return false;
  if (!CopyData(state, source.in.Get(), replacement->Get(), source.info.st_size, source.path,
                old.path)) {
    return false;
  }
  if (!SourceStayedAsItWas(state, source, replacement->Get(), old.path)) return false;
  KeepOwnerOf(old, source.info, replacement->Get());
  if (!CarryOverModeAndTime(state, replacement->Get(), DeliveredMode(old, source.info), source.info,
                            old.path)) {
    return false;
  }
  // The folder's new entries are made durable with the others of the run, before its next
  // box; a rename that was made and then failed to sync counts too.
  posix::NoteChangedFolder(old.folderPath);
  if (finish == Finish::kMayWait && posix::CopiesMayWaitIn(old.folder.Get())) {
    posix::KeepWaiting({std::move(old.folder), std::move(replacement), old.name, old.path});
    return true;
  }
  replacement->Commit(state, old.name, old.path);
  return false;
}

// The host target path, once the copy has been tried, and whether the copy waits. A source
// found as written is kept open, so that a new target costs only its own translation.
struct Tried {
  std::optional<std::string> hostTarget;
  bool waits = false;
};

Tried CopyAndName(ErrorState& state, const Text& source, const Text& target, Finish finish) {
  const posix::LookupBatch batch;
  OpenedSource opened;
  const bool sourceAsWritten = OpenAsWritten(source, opened);
  std::optional<std::string> hostTarget = posix::HostPathAsWritten(target);
  if (OldTarget old; sourceAsWritten && FoundAsWritten(hostTarget, old)) {
    return {hostTarget, Replace(state, opened, old, finish)};
  }
  std::optional<std::string> hostSource;
  if (!sourceAsWritten) {
    hostSource = posix::HostPathOrError(state, source);
    if (!hostSource) return {};
  }
  hostTarget = posix::HostPathOrError(state, target);
  if (!hostTarget) return {};
  if (!sourceAsWritten) {
    opened.path = *hostSource;
    if (!OpenSource(state, opened.path, opened.in, opened.info)) return {hostTarget};
  }
  OldTarget old;
  if (!LookAtTarget(state, *hostTarget, old)) return {hostTarget};
  return {hostTarget, Replace(state, opened, old, finish)};
}

// A waiting copy tells the names it changed when it takes its target's place.
bool Copy(ErrorState& state, const Text& source, const Text& target, Finish finish) {
  Tried tried;
  try {
    tried = CopyAndName(state, source, target, finish);
  } catch (const std::bad_alloc&) {
    StoreError(state, error_number::kOutOfMemory);
  }
  if (tried.hostTarget && !tried.waits) posix::NoteOwnChange(*tried.hostTarget);
  return tried.waits;
}

}  // namespace

void CopyFileTo(ErrorState& state, const Text& source, const Text& target) {
  Copy(state, source, target, Finish::kNow);
}

bool StartCopy(ErrorState& state, const Text& source, const Text& target) {
  return Copy(state, source, target, Finish::kMayWait);
}

}  // namespace quelb
