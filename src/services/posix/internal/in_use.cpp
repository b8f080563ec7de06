// The in-use test: a write lease where the file system grants a trustworthy one, otherwise
// what the kernel shows of other processes (a refused write open of a running program, and
// their open descriptors and mappings in /proc).
#include "services/posix/internal/in_use.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "services/posix/internal/folder_lock.h"
#include "services/posix/internal/host_paths.h"
#include "services/posix/internal/path_translation.h"

namespace quelb::posix {
namespace {

// File system magic numbers of statfs(2).
constexpr uint32_t kNfsMagic = 0x6969;
constexpr uint32_t kSmbMagic = 0x517B;
constexpr uint32_t kCifsMagic = 0xFF534D42;
constexpr uint32_t kSmb2Magic = 0xFE534D42;
constexpr uint32_t kOverlayMagic = 0x794C7630;

struct FileSystemTraits {
  // On network file systems a lease is refused whether or not anyone holds the file.
  bool leaseTrusted = true;
  // On overlayfs a mapping is made on the file beneath, so the lease does not see it.
  bool mappingsHidden = false;
};

FileSystemTraits TraitsOf(int fd) {
  struct statfs info;
  if (fstatfs(fd, &info) != 0) return {false, true};
  const auto type = static_cast<uint32_t>(info.f_type);
  if (type == kNfsMagic || type == kSmbMagic || type == kCifsMagic || type == kSmb2Magic) {
    return {false, false};
  }
  return {true, type == kOverlayMagic};
}

void NoteLeaseBreak(int) {}

// A lease break is announced with SIGIO, whose default action ends the process. A handler
// that does nothing keeps the file held until we close it; unlike an ignored signal it is not
// passed on to the programs we start.
void SurviveLeaseBreaks() {
  static const bool installed = [] {
    struct sigaction current {};
    sigaction(SIGIO, nullptr, &current);
    if ((current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_DFL) {
      struct sigaction quiet {};
      quiet.sa_handler = NoteLeaseBreak;
      sigemptyset(&quiet.sa_mask);
      quiet.sa_flags = SA_RESTART;
      sigaction(SIGIO, &quiet, nullptr);
    }
    return true;
  }();
  (void)installed;
}

enum class LeaseAnswer { kFree, kHeld, kNoAnswer };

LeaseAnswer AskLease(int fd, bool keepLease) {
  SurviveLeaseBreaks();
  if (fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
    if (!keepLease) fcntl(fd, F_SETLEASE, F_UNLCK);
    return LeaseAnswer::kFree;
  }
  // EACCES (not the owner, no CAP_LEASE) and EINVAL (no lease support) say nothing.
  return errno == EAGAIN ? LeaseAnswer::kHeld : LeaseAnswer::kNoAnswer;
}

struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  std::string canonicalPath;
};

// The file the name holds in its folder; a link there is held by no one, as a copy replaces
// the link itself and never what it names.
bool IdentityOf(int folder, const std::string& name, const std::string& hostPath,
                FileIdentity& identity) {
  struct stat info;
  if (fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || S_ISLNK(info.st_mode)) {
    return false;
  }
  identity.device = info.st_dev;
  identity.inode = info.st_ino;
  identity.canonicalPath = JoinHostPath(CanonicalHostPath(HostFolderOf(hostPath)), name);
  return true;
}

// A program being run refuses every write open with ETXTBSY; EAGAIN is a lease of another.
// Nothing is created, and a link is followed only when it is a descriptor's own entry in /proc.
bool RefusedAsRunning(int folder, const std::string& name, bool followLink = false) {
  const int fd =
      openat(folder, name.c_str(),
             O_WRONLY | O_NONBLOCK | (followLink ? 0 : O_NOFOLLOW) | O_CLOEXEC | O_NOCTTY);
  if (fd >= 0) {
    close(fd);
    return false;
  }
  return errno == ETXTBSY || errno == EAGAIN;
}

// The folder and name of a host path, for the tests made on a path alone; a folder the run has
// locked is the one it opened then.
struct Placed {
  int folder = -1;
  std::string name;
  ~Placed() {
    if (folder >= 0) close(folder);
  }
};

bool Place(const std::string& hostPath, Placed& placed) {
  placed.folder = OpenFolderOnce(HostFolderOf(hostPath));
  placed.name = HostNameOf(hostPath);
  return placed.folder >= 0;
}

bool IsProcessFolder(const char* name) {
  if (*name == '\0') return false;
  for (const char* c = name; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return false;
  }
  return true;
}

bool HasDescriptorOn(const std::string& processFolder, const FileIdentity& identity) {
  const std::string fdFolder = processFolder + "/fd";
  OpenFolder dir(opendir(fdFolder.c_str()));
  if (!dir) return false;
  while (const dirent* entry = readdir(dir.get())) {
    if (!IsProcessFolder(entry->d_name)) continue;
    struct stat info;
    const std::string link = fdFolder + "/" + entry->d_name;
    if (stat(link.c_str(), &info) == 0 && info.st_dev == identity.device &&
        info.st_ino == identity.inode) {
      return true;
    }
  }
  return false;
}

// A line of /proc/<pid>/maps: range, rights, offset, device "major:minor" in hex, inode and
// the path. On overlayfs the device and inode are those of the file beneath, so the path is
// compared as well.
bool MapsLineNames(const std::string& line, const FileIdentity& identity) {
  unsigned major = 0;
  unsigned minor = 0;
  unsigned long long inode = 0;
  int pathStart = 0;
  if (std::sscanf(line.c_str(), "%*s %*s %*s %x:%x %llu %n", &major, &minor, &inode, &pathStart) <
      3) {
    return false;
  }
  if (inode == 0) return false;
  if (makedev(major, minor) == identity.device && inode == identity.inode) return true;
  return !identity.canonicalPath.empty() && pathStart > 0 &&
         line.compare(static_cast<size_t>(pathStart), std::string::npos, identity.canonicalPath) ==
             0;
}

bool HasMappingOf(const std::string& processFolder, const FileIdentity& identity) {
  std::ifstream maps(processFolder + "/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (MapsLineNames(line, identity)) return true;
  }
  return false;
}

bool SeenInOtherProcesses(const FileIdentity& identity, bool descriptors, bool mappings) {
  OpenFolder proc(opendir("/proc"));
  if (!proc) return false;
  const std::string ownName = std::to_string(getpid());
  while (const dirent* entry = readdir(proc.get())) {
    if (!IsProcessFolder(entry->d_name) || ownName == entry->d_name) continue;
    const std::string folder = std::string("/proc/") + entry->d_name;
    if (descriptors && HasDescriptorOn(folder, identity)) return true;
    if (mappings && HasMappingOf(folder, identity)) return true;
  }
  return false;
}

bool HeldWithoutLease(int folder, const std::string& name, const std::string& hostPath) {
  FileIdentity identity;
  if (!IdentityOf(folder, name, hostPath, identity)) return false;
  return RefusedAsRunning(folder, name) || SeenInOtherProcesses(identity, true, true);
}

// The descriptor's own file, whatever its name has become meanwhile.
bool IdentityOfDescriptor(int fd, const std::string& hostPath, FileIdentity& identity) {
  struct stat info;
  if (fstat(fd, &info) != 0) return false;
  identity.device = info.st_dev;
  identity.inode = info.st_ino;
  identity.canonicalPath = CanonicalHostPath(hostPath);
  return true;
}

bool HeldWithoutLease(int fd, const std::string& hostPath) {
  FileIdentity identity;
  if (!IdentityOfDescriptor(fd, hostPath, identity)) return false;
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return RefusedAsRunning(AT_FDCWD, self, true) || SeenInOtherProcesses(identity, true, true);
}

bool MappedByAnother(int fd, const std::string& hostPath) {
  FileIdentity identity;
  return IdentityOfDescriptor(fd, hostPath, identity) &&
         SeenInOtherProcesses(identity, false, true);
}

}  // namespace

bool HeldAgainstDescriptor(int fd, const std::string& hostPath, bool keepLease) {
  const FileSystemTraits traits = TraitsOf(fd);
  if (traits.leaseTrusted) {
    switch (AskLease(fd, keepLease)) {
      case LeaseAnswer::kHeld:
        return true;
      case LeaseAnswer::kFree:
        if (traits.mappingsHidden && MappedByAnother(fd, hostPath)) {
          if (keepLease) fcntl(fd, F_SETLEASE, F_UNLCK);
          return true;
        }
        return false;
      case LeaseAnswer::kNoAnswer:
        break;
    }
  }
  return HeldWithoutLease(fd, hostPath);
}

bool HeldByAnotherProcess(const std::string& hostPath) {
  Placed placed;
  return Place(hostPath, placed) && HeldByAnotherProcess(placed.folder, placed.name, hostPath);
}

bool HeldByAnotherProcess(int folder, const std::string& name, const std::string& hostPath) {
  const int fd =
      openat(folder, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    // EAGAIN: another process keeps a lease on it, as our own open files do.
    if (errno == EAGAIN) return true;
    return errno != ELOOP && HeldWithoutLease(folder, name, hostPath);
  }
  // The lease goes with the descriptor, which is closed at once.
  const bool held = HeldAgainstDescriptor(fd, hostPath, true);
  close(fd);
  return held;
}

}  // namespace quelb::posix
