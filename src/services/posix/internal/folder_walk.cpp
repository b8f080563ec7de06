// The walk of a folder's path, name by name, judging every link it meets.
#include "services/posix/internal/folder_walk.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "services/posix/internal/descriptor.h"
#include "services/posix/internal/other_accounts.h"

namespace quelb::posix {
namespace {

// As many links as the kernel follows in one path before it gives ELOOP.
constexpr int kMostLinks = 40;
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// The names still to walk, the next one last.
using NamesToWalk = std::vector<std::string>;

void PushNamesOf(const std::string& path, NamesToWalk& names) {
  size_t end = path.size();
  while (end > 0) {
    const size_t slash = path.rfind('/', end - 1);
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    if (end > start) names.push_back(path.substr(start, end - start));
    if (slash == std::string::npos) break;
    end = slash;
  }
}

int OpenStart(const std::string& path) {
  return open(!path.empty() && path.front() == '/' ? "/" : ".", kFolderFlags);
}

bool ReadLink(int link, std::string& target) {
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    const ssize_t length = readlinkat(link, "", buffer.data(), buffer.size());
    if (length < 0) return false;
    if (static_cast<size_t>(length) < buffer.size()) {
      target.assign(buffer.data(), static_cast<size_t>(length));
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

struct Walk {
  Descriptor at;
  NamesToWalk names;
  int links = 0;
  // Set when the walk stopped at a link of another account's.
  bool refused = false;
};

// Goes on through the link named name in the folder walked so far; false with errno set when
// the walk ends there.
bool Follow(Walk& walk, const std::string& name) {
  const Descriptor entry(openat(walk.at.Get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
  struct stat link, folder;
  if (!entry.IsOpen() || fstat(entry.Get(), &link) != 0) return false;
  if (!S_ISLNK(link.st_mode)) {
    errno = ENOTDIR;
    return false;
  }
  if (++walk.links > kMostLinks) {
    errno = ELOOP;
    return false;
  }
  if (fstat(walk.at.Get(), &folder) != 0) return false;
  if (RepointableByAnother(link, folder)) {
    walk.refused = true;
    errno = EACCES;
    return false;
  }
  std::string target;
  if (!ReadLink(entry.Get(), target)) return false;
  if (!target.empty() && target.front() == '/') walk.at.Reset(OpenStart(target));
  PushNamesOf(target, walk.names);
  return walk.at.IsOpen();
}

// Takes the next name; false with errno set when the walk ends there.
bool Step(Walk& walk) {
  const std::string name = std::move(walk.names.back());
  walk.names.pop_back();
  if (name == ".") return true;
  const int next = openat(walk.at.Get(), name.c_str(), kFolderFlags);
  if (next >= 0) {
    walk.at.Reset(next);
    return true;
  }
  // A link opened so, not followed, is no folder.
  return errno == ENOTDIR && Follow(walk, name);
}

Walk WalkTo(const std::string& hostFolder) {
  Walk walk;
  walk.at.Reset(OpenStart(hostFolder));
  PushNamesOf(hostFolder, walk.names);
  while (walk.at.IsOpen() && !walk.names.empty()) {
    if (Step(walk)) continue;
    const int error = errno;
    walk.at.Reset(-1);
    errno = error;
  }
  return walk;
}

}  // namespace

int OpenFolderWalked(const std::string& hostFolder) {
  return WalkTo(hostFolder).at.Release();
}

bool WalkMeetsAnotherAccountsLink(const std::string& hostPath) {
  return WalkTo(hostPath).refused;
}

}  // namespace quelb::posix
