// The kept names of folders. A change by another process within the same tick of the file
// system's clock as our reading of the folder leaves its times as they were, so such a name
// is missed until the folder changes again; that is the price of reading a folder once.
#include "services/posix/internal/folder_names.h"

#include <dirent.h>

#include <map>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "services/posix/internal/host_paths.h"
#include "services/posix/internal/lookup_batch.h"
#include "services/text.h"

namespace quelb::posix {
namespace {

// A run touches a handful of folders; past this many the oldest readings are dropped.
constexpr size_t kMostFolders = 64;

struct KeptFolder {
  FolderStamp stamp;
  std::unordered_set<std::string> names;
  // The lower-case form of each name and the names that have it, the first read first.
  std::unordered_map<std::string, std::vector<std::string>> byLowerCase;
  uint64_t readAt = 0;

  void Add(const std::string& name) {
    if (names.insert(name).second) byLowerCase[LowerText(name)].push_back(name);
  }
  void Remove(const std::string& name) {
    if (names.erase(name) == 0) return;
    const auto spellings = byLowerCase.find(LowerText(name));
    std::erase(spellings->second, name);
    if (spellings->second.empty()) byLowerCase.erase(spellings);
  }
};

std::map<std::string, KeptFolder>& Kept() {
  static std::map<std::string, KeptFolder> folders;
  return folders;
}

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

void DropOldest() {
  auto& kept = Kept();
  auto oldest = kept.begin();
  for (auto it = kept.begin(); it != kept.end(); ++it) {
    if (it->second.readAt < oldest->second.readAt) oldest = it;
  }
  kept.erase(oldest);
}

KeptFolder Read(const std::string& folder, const FolderStamp& stamp) {
  static uint64_t readings = 0;
  KeptFolder read;
  read.stamp = stamp;
  read.readAt = ++readings;
  const OpenFolder dir(opendir(folder.c_str()));
  if (!dir) return read;
  while (const dirent* entry = readdir(dir.get())) read.Add(entry->d_name);
  return read;
}

const KeptFolder& Current(const std::string& folder, const FolderStamp& stamp) {
  auto& kept = Kept();
  const auto found = kept.find(folder);
  if (found != kept.end() && found->second.stamp == stamp) return found->second;
  if (found == kept.end() && kept.size() >= kMostFolders) DropOldest();
  return kept[folder] = Read(folder, stamp);
}

// The names kept for the folder of a path that our own hand just changed, with the folder's
// stamp taken anew; nothing when none are kept, or the folder is gone.
KeptFolder* RestampedFolderOf(const std::string& hostPath) {
  const auto found = Kept().find(HostFolderOf(hostPath));
  if (found == Kept().end()) return nullptr;
  struct stat info;
  if (stat(found->first.c_str(), &info) != 0) {
    Kept().erase(found);
    return nullptr;
  }
  found->second.stamp = StampOf(info);
  return &found->second;
}

}  // namespace

bool FolderStamp::operator==(const FolderStamp& other) const {
  return device == other.device && inode == other.inode && SameTime(modified, other.modified) &&
         SameTime(changed, other.changed);
}

FolderStamp StampOf(const struct stat& info) {
  return {info.st_dev, info.st_ino, info.st_mtim, info.st_ctim};
}

std::optional<std::string> SpellingIn(const std::string& folder, const struct stat& info,
                                      const std::string& name) {
  const KeptFolder& kept = Current(folder, StampOf(info));
  if (kept.names.count(name) != 0) return name;
  const auto found = kept.byLowerCase.find(LowerText(name));
  if (found == kept.byLowerCase.end()) return std::nullopt;
  return found->second.front();
}

void NoteOwnChange(const std::string& hostPath) {
  ForgetHeldFoldersAt(hostPath);
  if (KeptFolder* kept = RestampedFolderOf(hostPath)) kept->Add(HostNameOf(hostPath));
}

void NoteOwnRemoval(const std::string& hostPath) {
  ForgetHeldFoldersAt(hostPath);
  if (KeptFolder* kept = RestampedFolderOf(hostPath)) kept->Remove(HostNameOf(hostPath));
}

}  // namespace quelb::posix
