// The journal's files on a POSIX system. A rename that must not replace asks the kernel not
// to; a file system that cannot be asked (some FUSE ones) is asked whether the name is free
// first, which the run's lock on the folder makes safe from other runs.
#include "services/journal_files.h"

#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "services/posix/internal/descriptor.h"
#include "services/posix/internal/errno_map.h"
#include "services/posix/internal/folder_names.h"
#include "services/posix/internal/host_paths.h"
#include "services/posix/internal/lookup_batch.h"
#include "services/posix/internal/path_translation.h"
#include "services/windows_codes.h"

namespace quelb {
namespace {

bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  struct stat info;
  if (lstat(to.c_str(), &info) == 0) {
    errno = EEXIST;
    return false;
  }
  return rename(from.c_str(), to.c_str()) == 0;
}

bool WriteAll(int fd, const Text& bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t count = write(fd, bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    written += static_cast<size_t>(count);
  }
  return true;
}

bool SyncHostFolder(const std::string& hostFolder) {
  const posix::Descriptor dir(open(hostFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return dir.IsOpen() && fsync(dir.Get()) == 0;
}

bool WriteHostFileDurably(const std::string& path, const Text& bytes) {
  const std::string fresh = path + ".new";
  posix::Descriptor file(open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!file.IsOpen()) return false;
  if (!WriteAll(file.Get(), bytes) || fsync(file.Get()) != 0 || file.Close() != 0) {
    const int error = errno;
    unlink(fresh.c_str());
    errno = error;
    return false;
  }
  return rename(fresh.c_str(), path.c_str()) == 0 && SyncHostFolder(posix::HostFolderOf(path));
}

// The file system's own id, where it has one (ext4 and btrfs take it from the volume's UUID):
// the device number that holds it may be another after a restart, as disks are found in
// another order, so a journal finished then would know none of its files by it.
std::string FileSystemIdOf(const std::string& host, dev_t device) {
  struct statfs info;
  if (statfs(host.c_str(), &info) == 0) {
    int words[2];
    static_assert(sizeof words == sizeof info.f_fsid);
    std::memcpy(words, &info.f_fsid, sizeof words);
    if (words[0] != 0 || words[1] != 0) {
      return "fs" + std::to_string(static_cast<unsigned>(words[0])) + "." +
             std::to_string(static_cast<unsigned>(words[1]));
    }
  }
  return std::to_string(device);
}

// The status of the file at path, found as IdentityOf finds it; false when there is none, with
// a failure to look at it stored. A path found as it is written is what its translation gives,
// without the translation's own look at each of its names; any other is translated in full,
// and looked at again only when the translation spells it otherwise.
bool StatusOf(ErrorState& state, const Text& path, std::string& host, struct stat& info) {
  const std::optional<std::string> written = posix::HostPathAsWritten(path);
  bool found = written && posix::StatInBatch(*written, info) == 0;
  const int writtenError = errno;
  std::optional<std::string> translated = written;
  if (!found) {
    translated = posix::HostPath(path);
    if (translated && translated == written) {
      errno = writtenError;
    } else {
      found = translated && stat(translated->c_str(), &info) == 0;
    }
  }
  if (!found) {
    if (translated && errno != ENOENT && errno != ENOTDIR) {
      posix::StoreErrno(state, errno, *translated);
    }
    return false;
  }
  host = *translated;
  return S_ISREG(info.st_mode);
}

int64_t ModifiedOf(const struct stat& info) {
  return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

}  // namespace

FileIdentity IdentityOf(ErrorState& state, const Text& path) {
  const posix::LookupBatch batch;
  std::string host;
  struct stat info;
  if (!StatusOf(state, path, host, info)) return {};
  return {
      static_cast<int64_t>(info.st_size), ModifiedOf(info),
      posix::FileSystemIdInBatch(info.st_dev, [&] { return FileSystemIdOf(host, info.st_dev); }) +
          ":" + std::to_string(info.st_ino)};
}

FileIdentity SizeAndTimeOf(ErrorState& state, const Text& path) {
  const posix::LookupBatch batch;
  std::string host;
  struct stat info;
  if (!StatusOf(state, path, host, info)) return {};
  return {static_cast<int64_t>(info.st_size), ModifiedOf(info), {}};
}

void RenameWithoutReplacing(ErrorState& state, const Text& from, const Text& to) {
  const std::optional<std::string> hostFrom = posix::HostPathOrError(state, from);
  if (!hostFrom) return;
  const std::optional<std::string> hostTo = posix::HostPathOrError(state, to);
  if (!hostTo) return;
  if (!RenameNoReplace(*hostFrom, *hostTo)) {
    posix::StoreErrno(state, errno, *hostTo);
    return;
  }
  posix::NoteOwnRemoval(*hostFrom);
  posix::NoteOwnChange(*hostTo);
}

void RemoveFile(ErrorState& state, const Text& path) {
  const std::optional<std::string> host = posix::HostPath(path);
  if (!host) return;
  if (unlink(host->c_str()) == 0) {
    posix::NoteOwnRemoval(*host);
  } else if (errno != ENOENT) {
    posix::StoreErrno(state, errno, *host);
  }
}

void RemoveEmptyFolder(ErrorState& state, const Text& path) {
  const std::optional<std::string> host = posix::HostPath(path);
  if (!host) return;
  if (rmdir(host->c_str()) == 0) {
    posix::NoteOwnRemoval(*host);
  } else if (errno != ENOENT) {
    posix::StoreErrno(state, errno, *host);
  }
}

void WriteFileDurably(ErrorState& state, const Text& path, const Text& bytes) {
  const std::optional<std::string> host = posix::HostPathOrError(state, path);
  if (host && !WriteHostFileDurably(*host, bytes)) posix::StoreErrno(state, errno, *host);
}

void SyncFolderEntries(ErrorState& state, const Text& folder) {
  const std::optional<std::string> host = posix::HostPathOrError(state, folder);
  if (host && !SyncHostFolder(*host) && errno != EACCES && errno != EPERM) {
    posix::StoreErrno(state, errno, *host);
  }
}

}  // namespace quelb
