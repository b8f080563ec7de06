#include "services/posix/replacement.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "services/posix/errno_map.h"

namespace quelb::posix {
namespace {

constexpr const char* kHiddenPrefix = "/.copy-";
constexpr int kNameAttempts = 100;

bool Fail(ErrorState& state, int error, const std::string& hostPath) {
  StoreErrno(state, error, hostPath);
  return false;
}

// The errors by which a file system, or a kernel, says that it has no unnamed files.
bool UnnamedFilesUnsupported(int error) {
  return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

// Six letters or digits; a clash with an existing name only costs another attempt.
std::string RandomSuffix() {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static uint64_t counter = 0;
  uint64_t value = 0;
  if (getrandom(&value, sizeof value, 0) != sizeof value) {
    value = (++counter * 0x9E3779B97F4A7C15u) ^ static_cast<uint64_t>(getpid());
  }
  std::string suffix;
  for (int i = 0; i < 6; ++i, value /= sizeof kLetters - 1) {
    suffix += kLetters[value % (sizeof kLetters - 1)];
  }
  return suffix;
}

// Linking a descriptor itself needs a right that few processes have; the descriptor's entry
// in /proc names the same file for everyone else. Returns 0 or the errno of the failure.
int LinkUnnamed(int fd, const std::string& name) {
  static bool descriptorLinkRefused = false;
  if (!descriptorLinkRefused) {
    if (linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
    if (errno != ENOENT && errno != EPERM) return errno;
    descriptorLinkRefused = true;
  }
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
  return errno;
}

}  // namespace

Replacement::~Replacement() {
  if (!path_.empty()) unlink(path_.c_str());
}

bool Replacement::Create(ErrorState& state, const std::string& folder) {
  folder_ = folder;
  out_.Reset(open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
  if (out_.IsOpen()) return true;
  if (UnnamedFilesUnsupported(errno)) return CreateNamed(state);
  // Named as a file in the folder, so that a missing folder reads as a missing path.
  return Fail(state, errno, folder + kHiddenPrefix);
}

bool Replacement::CreateNamed(ErrorState& state) {
  std::string pattern = folder_ + kHiddenPrefix + "XXXXXX";
  out_.Reset(mkostemp(pattern.data(), O_CLOEXEC));
  if (!out_.IsOpen()) return Fail(state, errno, pattern);
  path_ = pattern;
  return true;
}

// A hidden name that no other file has.
bool Replacement::GiveName(ErrorState& state, const std::string& target) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = folder_ + kHiddenPrefix + RandomSuffix();
    const int error = LinkUnnamed(out_.Get(), name);
    if (error == 0) {
      path_ = name;
      return true;
    }
    if (error != EEXIST) return Fail(state, error, target);
  }
  return Fail(state, EEXIST, target);
}

bool Replacement::Commit(ErrorState& state, const std::string& target) {
  if (fsync(out_.Get()) != 0) return Fail(state, errno, target);
  if (path_.empty() && !GiveName(state, target)) return false;
  if (out_.Close() != 0) return Fail(state, errno, target);
  if (rename(path_.c_str(), target.c_str()) != 0) return Fail(state, errno, target);
  path_.clear();
  return true;
}

}  // namespace quelb::posix
