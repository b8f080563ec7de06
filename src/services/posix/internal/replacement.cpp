#include "services/posix/internal/replacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "services/posix/internal/errno_map.h"
#include "services/posix/internal/in_use.h"

namespace quelb::posix {
namespace {

constexpr const char* kHiddenPrefix = ".copy-";
constexpr size_t kSuffixLength = 6;
constexpr int kNameAttempts = 100;

bool Fail(ErrorState& state, int error, const std::string& hostPath) {
  StoreErrno(state, error, hostPath);
  return false;
}

// The errors by which a file system, or a kernel, says that it has no unnamed files.
bool UnnamedFilesUnsupported(int error) {
  return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

// Six letters or digits, different for every call; a clash with an existing name only costs
// another attempt.
std::string NextSuffix() {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static uint64_t state = [] {
    uint64_t seed = 0;
    if (getrandom(&seed, sizeof seed, 0) != sizeof seed) seed = static_cast<uint64_t>(getpid());
    return seed;
  }();
  state = state * 6364136223846793005u + 1442695040888963407u;
  uint64_t value = state >> 16;
  std::string suffix;
  for (size_t i = 0; i < kSuffixLength; ++i, value /= sizeof kLetters - 1) {
    suffix += kLetters[value % (sizeof kLetters - 1)];
  }
  return suffix;
}

// Linking a descriptor itself needs a right that older kernels give few processes; the
// descriptor's entry in /proc names the same file for everyone else. Returns 0 or the errno
// of the failure.
int LinkUnnamed(int fd, int folder, const std::string& name) {
  static bool descriptorLinkRefused = false;
  if (!descriptorLinkRefused) {
    if (linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
    if (errno != ENOENT && errno != EPERM) return errno;
    descriptorLinkRefused = true;
  }
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
  return errno;
}

bool IsAsciiLetterOrDigit(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The names GiveName and mkostemp give: the hidden prefix and six letters or digits.
bool IsReplacementName(std::string_view name) {
  const std::string_view prefix = kHiddenPrefix;
  if (name.size() != prefix.size() + kSuffixLength || !name.starts_with(prefix)) return false;
  for (const char c : name.substr(prefix.size())) {
    if (!IsAsciiLetterOrDigit(c)) return false;
  }
  return true;
}

// Root gives each new file the owner of the one it replaces before naming it, so any owner's
// file may be root's leftover; anyone else's are their own.
bool CouldBeOurs(const struct stat& info) {
  return S_ISREG(info.st_mode) && info.st_nlink == 1 &&
         (geteuid() == 0 || info.st_uid == geteuid());
}

void RemoveIfLeftover(int folder, const std::string& folderPath, const std::string& name) {
  struct stat info;
  if (fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !CouldBeOurs(info)) return;
  // A copy in progress holds its file open until the rename.
  if (HeldByAnotherProcess(folder, name, folderPath + "/" + name)) return;
  unlinkat(folder, name.c_str(), 0);
}

// File systems whose folder entries hold each file's size and first cluster.
bool EntryHoldsSize(int fd) {
  constexpr long kFat = 0x4d44;
  constexpr long kExFat = 0x2011BAB0;
  struct statfs info;
  return fstatfs(fd, &info) == 0 && (info.f_type == kFat || info.f_type == kExFat);
}

}  // namespace

void RemoveLeftoverReplacements(int folder, const std::string& folderPath) {
  static std::set<std::string> lookedAt;
  if (!lookedAt.insert(folderPath).second) return;
  DIR* listing = fdopendir(openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (listing == nullptr) return;
  std::vector<std::string> leftovers;
  while (const dirent* entry = readdir(listing)) {
    if (IsReplacementName(entry->d_name)) leftovers.emplace_back(entry->d_name);
  }
  closedir(listing);
  for (const std::string& name : leftovers) RemoveIfLeftover(folder, folderPath, name);
}

Replacement::Replacement(int folder, std::string folderPath)
    : folder_(folder), folderPath_(std::move(folderPath)) {}

Replacement::~Replacement() {
  if (!name_.empty()) unlinkat(folder_, name_.c_str(), 0);
}

bool Replacement::Create(ErrorState& state) {
  out_.Reset(openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
  if (out_.IsOpen()) return true;
  if (UnnamedFilesUnsupported(errno)) return CreateNamed(state);
  // Named as a file in the folder, so that a missing folder reads as a missing path.
  return Fail(state, errno, folderPath_ + "/" + kHiddenPrefix);
}

bool Replacement::CreateNamed(ErrorState& state) {
  std::string pattern = folderPath_ + "/" + kHiddenPrefix + "XXXXXX";
  out_.Reset(mkostemp(pattern.data(), O_CLOEXEC));
  if (!out_.IsOpen()) return Fail(state, errno, pattern);
  name_ = pattern.substr(folderPath_.size() + 1);
  return true;
}

// A hidden name that no other file has.
bool Replacement::GiveName(ErrorState& state, const std::string& targetPath) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = kHiddenPrefix + NextSuffix();
    const int error = LinkUnnamed(out_.Get(), folder_, name);
    if (error == 0) {
      name_ = name;
      return true;
    }
    if (error != EEXIST) return Fail(state, error, targetPath);
  }
  return Fail(state, EEXIST, targetPath);
}

// The data, and what the file system needs to find it, are on the disk before any name
// points at them, whatever the file system and its options: a crash leaves the old file or
// the new one, never one that is empty or half-written. A write the disk refused comes back
// here, while the old file is still whole.
bool Replacement::Commit(ErrorState& state, const std::string& name,
                         const std::string& targetPath) {
  if (fdatasync(out_.Get()) != 0) return Fail(state, errno, targetPath);
  return TakePlace(state, name, targetPath);
}

// Without waiting: a write the disk refuses is reported by WaitForData.
void Replacement::StartWriteback() {
  sync_file_range(out_.Get(), 0, 0, SYNC_FILE_RANGE_WRITE);
}

// Unlike a sync, this neither commits the file system's journal nor flushes the disk's cache:
// a sync of the whole file system does that once for many files afterwards.
bool Replacement::WaitForData(ErrorState& state, const std::string& targetPath) {
  constexpr unsigned kWriteAndWait =
      SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
  if (sync_file_range(out_.Get(), 0, 0, kWriteAndWait) != 0) return Fail(state, errno, targetPath);
  return true;
}

bool Replacement::SyncData(ErrorState& state, const std::string& targetPath) {
  return fdatasync(out_.Get()) == 0 || Fail(state, errno, targetPath);
}

// On FAT and exFAT the file is synced once more after the rename: there the folder entry
// holds the file's size and first cluster, and the rename leaves them to the file's own
// writeback, which a sync of the folder does not do. Elsewhere that second sync would find
// nothing to write but still flush the disk's cache.
bool Replacement::TakePlace(ErrorState& state, const std::string& name,
                            const std::string& targetPath) {
  if (name_.empty() && !GiveName(state, targetPath)) return false;
  if (renameat(folder_, name_.c_str(), folder_, name.c_str()) != 0) {
    return Fail(state, errno, targetPath);
  }
  name_.clear();
  if (EntryHoldsSize(out_.Get()) && fdatasync(out_.Get()) != 0) {
    return Fail(state, errno, targetPath);
  }
  if (out_.Close() != 0) return Fail(state, errno, targetPath);
  return true;
}

}  // namespace quelb::posix
