// Folder listing on a POSIX host: one listing at a time, names matched by the Windows rules
// without regard to case, and only entries that the system's paths can name.
#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "services/backend.h"
#include "services/dos_path.h"
#include "services/files.h"
#include "services/posix/internal/host_paths.h"
#include "services/posix/internal/path_translation.h"

namespace quelb {
namespace {

constexpr uint32_t kHiddenAttribute = 0x02;
constexpr uint32_t kDirectoryAttribute = 0x10;
// Any non-empty name tells the caller that the probed folder exists.
const char* const kProbeAnswer = "nul";

// The whole folder is read when the listing starts; ListNext hands the names out in turn.
struct ListingState {
  std::vector<std::string> names;
  size_t next = 0;
};

ListingState& Listing() {
  static ListingState listing;
  return listing;
}

void EndListing() {
  Listing() = ListingState{};
}

// "?" matches one byte and "*" any run of bytes; both sides are already in one case.
bool MatchesWildcards(const std::string& name, const std::string& pattern) {
  size_t n = 0, p = 0;
  size_t starAt = std::string::npos, resumeAt = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++n, ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starAt = p++;
      resumeAt = n;
    } else if (starAt != std::string::npos) {
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// As on Windows, a name without a dot also matches a pattern ending in ".*" ("*.*" matches
// every name) and one ending in "." stands for names without an extension.
bool NameMatches(const std::string& name, const std::string& pattern) {
  const std::string lowerName = LowerText(name);
  const std::string lowerPattern = LowerText(pattern);
  if (MatchesWildcards(lowerName, lowerPattern)) return true;
  if (lowerName.find('.') != std::string::npos) return false;
  if (lowerPattern.ends_with(".*")) {
    return MatchesWildcards(lowerName, lowerPattern.substr(0, lowerPattern.size() - 2));
  }
  if (lowerPattern.size() > 1 && lowerPattern.ends_with('.')) {
    return MatchesWildcards(lowerName, lowerPattern.substr(0, lowerPattern.size() - 1));
  }
  return false;
}

// A name holding "\" or a control character cannot be written in the system's paths, and
// one holding a character that names never hold on Windows would turn into a mask, a drive
// or a quote once it is joined into a path or a command line.
bool NameIsWritable(const std::string& name) {
  if (dos::HoldsInvalidCharacter(name)) return false;
  if (name.find_first_of("\\:\x7f") != std::string::npos) return false;
  return name != "." && name != "..";
}

bool KindPasses(mode_t mode, uint32_t filter) {
  if (S_ISREG(mode)) return true;
  return S_ISDIR(mode) && (filter & kDirectoryAttribute) != 0;
}

// Regular files and links to them always count; folders only under the directory bit, and
// FIFOs, sockets and devices never. The entry's own type spares a look-up of each file; only
// a link, or an entry of a file system that gives no type, is followed.
bool KindPasses(DIR* dir, const dirent& entry, uint32_t filter) {
  if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
    return KindPasses(DTTOIF(entry.d_type), filter);
  }
  struct stat info;
  return fstatat(dirfd(dir), entry.d_name, &info, 0) == 0 && KindPasses(info.st_mode, filter);
}

bool EntryPasses(DIR* dir, const dirent& entry, const std::string& pattern, uint32_t filter) {
  const std::string name = entry.d_name;
  if (!NameIsWritable(name) || !NameMatches(name, pattern)) return false;
  if (name.front() == '.' && (filter & kHiddenAttribute) == 0) return false;
  return KindPasses(dir, entry, filter);
}

std::vector<std::string> MatchingNames(const std::string& folder, const std::string& pattern,
                                       uint32_t filter) {
  std::vector<std::string> names;
  const posix::OpenFolder dir(opendir(folder.c_str()));
  if (!dir) return names;
  while (const dirent* entry = readdir(dir.get())) {
    if (EntryPasses(dir.get(), *entry, pattern, filter)) names.emplace_back(entry->d_name);
  }
  return names;
}

struct SplitMask {
  Text folder;
  Text pattern;
};

SplitMask Split(const Text& mask) {
  const Text whole = dos::FullMask(mask);
  Text pattern = dos::NameOf(whole);
  return {whole.substr(0, whole.size() - pattern.size()), std::move(pattern)};
}

std::optional<std::string> HostFolder(const Text& folder) {
  if (folder.empty()) return std::string(".");
  return posix::HostPath(folder);
}

Text StartListing(ErrorState& state, const Text& mask, uint32_t filter) {
  const SplitMask split = Split(mask);
  const std::optional<std::string> folder = HostFolder(split.folder);
  if (!folder) return Text();
  if (LowerText(split.pattern) == "nul")
    return posix::IsHostFolder(*folder) ? kProbeAnswer : Text();
  Listing().names = MatchingNames(*folder, split.pattern, filter);
  return ListNext(state);
}

}  // namespace

// Host paths such as /media/cdrom are typed as they are, so a mask may end a folder with "/".
const char platform::kHostSeparator = '/';

Text ListNext(ErrorState& state) {
  ListingState& listing = Listing();
  try {
    if (listing.next < listing.names.size()) return listing.names[listing.next++];
  } catch (const std::bad_alloc&) {
    StoreError(state, error_number::kOutOfMemory);
  }
  EndListing();
  return Text();
}

Text ListFirst(ErrorState& state, const Text& mask, uint32_t filter) {
  if (mask.empty()) return ListNext(state);
  EndListing();
  try {
    return StartListing(state, mask, filter);
  } catch (const std::bad_alloc&) {
    EndListing();
    StoreError(state, error_number::kOutOfMemory);
    return Text();
  }
}

}  // namespace quelb
