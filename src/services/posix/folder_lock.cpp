// Folder locks on POSIX: an open-file-description lock on the lock file, which the kernel
// drops when the last descriptor of that open goes, and which NFS carries to its server.
// The lock file is created for everyone to lock, and is removed by its holder while still
// locked; a run that locked a file just removed finds the name gone and tries again.
#include "services/folder_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "services/backend.h"
#include "services/log_file.h"
#include "services/posix/internal/descriptor.h"
#include "services/posix/internal/folder_lock.h"
#include "services/posix/internal/folder_walk.h"
#include "services/posix/internal/path_translation.h"
#include "services/windows_codes.h"

namespace quelb {
namespace {

using posix::Descriptor;

constexpr mode_t kEveryoneMayLock = 0666;
constexpr int kOpenAttempts = 10;
constexpr size_t kLongestHolder = 512;

struct HeldLock {
  std::string hostFolder;
  Descriptor folder;
  Descriptor file;
  dev_t device = 0;
  ino_t inode = 0;
};

// The locks this process holds: a second lock of the same file by another open of ours would
// be refused as if someone else held it.
std::vector<HeldLock*>& HeldLocks() {
  static std::vector<HeldLock*> held;
  return held;
}

bool HeldHere(const struct stat& info) {
  for (const HeldLock* lock : HeldLocks()) {
    if (lock->device == info.st_dev && lock->inode == info.st_ino) return true;
  }
  return false;
}

struct flock WholeFile(short type) {
  struct flock range {};
  range.l_type = type;
  range.l_whence = SEEK_SET;
  return range;
}

Text ReadHolder(int fd) {
  char buffer[kLongestHolder];
  const ssize_t got = pread(fd, buffer, sizeof buffer, 0);
  Text holder(buffer, got > 0 ? static_cast<size_t>(got) : 0);
  while (!holder.empty() && (holder.back() == '\n' || holder.back() == '\0')) holder.pop_back();
  return holder;
}

Text Now() {
  const std::time_t now = std::time(nullptr);
  struct tm local {};
  char text[32] = {};
  localtime_r(&now, &local);
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
  return text;
}

// What it says is only for the operator of another run, so a failure to write it is no
// failure of the lock.
void WriteHolder(int fd) {
  const Text holder =
      FolderLockHolder(AccountName(), MachineName(), static_cast<uint64_t>(getpid()), Now()) + "\n";
  if (ftruncate(fd, 0) == 0) {
    const ssize_t written = pwrite(fd, holder.data(), holder.size(), 0);
    (void)written;
  }
}

bool StillNamed(const HeldLock& lock) {
  struct stat named;
  return fstatat(lock.folder.Get(), kFolderLockName, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         named.st_dev == lock.device && named.st_ino == lock.inode;
}

// A file we may not open for writing can still tell whether another holds it.
FolderLockAnswer AskWithoutWriting(ErrorState& state, int folder, Text& holder) {
  const Descriptor file(
      openat(folder, kFolderLockName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct flock range = WholeFile(F_WRLCK);
  if (!file.IsOpen() || fcntl(file.Get(), F_OFD_GETLK, &range) != 0 || range.l_type == F_UNLCK) {
    return FolderLockAnswer::kNotLockable;
  }
  holder = ReadHolder(file.Get());
  StoreWindowsError(state, wincode::kLockViolation, EAGAIN);
  return FolderLockAnswer::kHeldElsewhere;
}

enum class Attempt { kDone, kAgain };

// One open and lock of the file the name holds now; kAgain when the name was removed or
// replaced meanwhile by the run that held it.
Attempt TryLock(ErrorState& state, HeldLock& lock, FolderLockAnswer& answer, Text& holder) {
  lock.file.Reset(openat(lock.folder.Get(), kFolderLockName,
                         O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, kEveryoneMayLock));
  struct stat info;
  if (!lock.file.IsOpen()) {
    answer = errno == EACCES ? AskWithoutWriting(state, lock.folder.Get(), holder)
                             : FolderLockAnswer::kNotLockable;
    return Attempt::kDone;
  }
  if (fstat(lock.file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    answer = FolderLockAnswer::kNotLockable;
    return Attempt::kDone;
  }
  lock.device = info.st_dev;
  lock.inode = info.st_ino;
  if (HeldHere(info)) {
    answer = FolderLockAnswer::kTaken;
    lock.file.Reset(-1);
    return Attempt::kDone;
  }
  // The umask would keep other users from opening the file to lock it.
  if (info.st_uid == geteuid()) fchmod(lock.file.Get(), kEveryoneMayLock);
  struct flock range = WholeFile(F_WRLCK);
  if (fcntl(lock.file.Get(), F_OFD_SETLK, &range) != 0) {
    if (errno != EAGAIN && errno != EACCES) {
      answer = FolderLockAnswer::kNotLockable;
      return Attempt::kDone;
    }
    holder = ReadHolder(lock.file.Get());
    StoreWindowsError(state, wincode::kLockViolation, errno);
    answer = FolderLockAnswer::kHeldElsewhere;
    return Attempt::kDone;
  }
  if (!StillNamed(lock)) return Attempt::kAgain;
  WriteHolder(lock.file.Get());
  answer = FolderLockAnswer::kTaken;
  return Attempt::kDone;
}

}  // namespace

// A folder reached through a link of another account's gets no lock file: the run works in
// nothing there, and each file that would go there fails by itself.
FolderLockAnswer LockFolderOnHost(ErrorState& state, const Text& folder, FolderLockHandle& handle,
                                  Text& holder) {
  const std::optional<std::string> hostFolder = posix::HostPath(folder);
  if (!hostFolder) return FolderLockAnswer::kNotLockable;
  auto lock = std::make_unique<HeldLock>();
  lock->hostFolder = *hostFolder;
  lock->folder.Reset(posix::OpenFolderWalked(*hostFolder));
  if (!lock->folder.IsOpen()) return FolderLockAnswer::kNotLockable;
  FolderLockAnswer answer = FolderLockAnswer::kNotLockable;
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    if (TryLock(state, *lock, answer, holder) == Attempt::kDone) break;
  }
  if (answer == FolderLockAnswer::kTaken && lock->file.IsOpen()) {
    HeldLocks().push_back(lock.get());
    handle = reinterpret_cast<FolderLockHandle>(lock.release());
  }
  return answer;
}

int posix::DuplicateHeldFolder(const std::string& hostFolder) {
  for (const HeldLock* lock : HeldLocks()) {
    if (lock->hostFolder == hostFolder) return fcntl(lock->folder.Get(), F_DUPFD_CLOEXEC, 0);
  }
  return -1;
}

int posix::OpenFolderOnce(const std::string& hostFolder) {
  const int held = DuplicateHeldFolder(hostFolder);
  return held >= 0 ? held : posix::OpenFolderWalked(hostFolder);
}

// The name goes while the lock is still held, so that no run can lock the file it names
// between the removal and the close.
void UnlockFolder(FolderLockHandle handle) {
  if (handle == kNoFolderLock) return;
  HeldLock* lock = reinterpret_cast<HeldLock*>(handle);
  if (StillNamed(*lock)) unlinkat(lock->folder.Get(), kFolderLockName, 0);
  std::erase(HeldLocks(), lock);
  delete lock;
}

}  // namespace quelb
