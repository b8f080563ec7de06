// DOS paths on a POSIX host: a drive's root from the drive table, and names matched without
// regard to ASCII case where the exact spelling is not there. A path that exists as written
// costs one lstat; a new name in an existing folder one more stat, and the folder's names
// are read once for the run (folder_names.h).
#include "services/posix/internal/path_translation.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "services/dos_path.h"
#include "services/posix/internal/drive_table.h"
#include "services/posix/internal/folder_names.h"
#include "services/posix/internal/host_paths.h"
#include "services/posix/internal/lookup_batch.h"
#include "services/windows_codes.h"

namespace quelb::posix {
namespace {

struct Translation {
  std::optional<std::string> hostPath;
  // Why there is no host path: a Windows code and the errno of the same situation.
  uint32_t windowsCode = 0;
  int rawCode = 0;
};

Translation Failed(uint32_t windowsCode, int rawCode) {
  return {std::nullopt, windowsCode, rawCode};
}

bool Exists(const std::string& hostPath) {
  struct stat info;
  return lstat(hostPath.c_str(), &info) == 0;
}

// A host folder that exists and the names below it, still spelt as written.
struct Walk {
  std::string base;
  std::vector<std::string> names;
};

// ".." steps back a folder but, as on Windows, never above the root the path starts on.
Walk Normalised(std::string base, const std::string& rest, const std::string& floor) {
  std::vector<std::string> names;
  for (std::string& component : dos::Components(rest)) {
    if (component == ".") continue;
    if (component != "..") {
      names.push_back(std::move(component));
    } else if (!names.empty()) {
      names.pop_back();
    } else if (base != floor && HoldsFolder(floor, base)) {
      base = HostFolderOf(base);
    }
  }
  return {std::move(base), std::move(names)};
}

std::string Joined(std::string folder, const std::vector<std::string>& names, size_t from,
                   size_t to) {
  size_t length = folder.size();
  for (size_t i = from; i < to; ++i) length += names[i].size() + 1;
  folder.reserve(length);
  for (size_t i = from; i < to; ++i) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    folder += names[i];
  }
  return folder;
}

// The number of names, counted from the base, that lead to a folder spelt as written, with
// that folder's status; -1 when not even the base is a folder.
int DeepestFolder(const Walk& walk, struct stat& info) {
  for (int depth = static_cast<int>(walk.names.size()) - 1; depth >= 0; --depth) {
    if (IsHostFolder(Joined(walk.base, walk.names, 0, static_cast<size_t>(depth)), info))
      return depth;
  }
  return -1;
}

// Each name is taken exactly when the host has it so, else in the spelling that differs
// only in letter case; a name the host has in neither (a file to create) and everything
// below it keep the spelling as written. The base of a drive path is the drive's root: when
// it is missing, the drive has no disk in it.
Translation Spelled(const Walk& walk, bool baseIsDriveRoot) {
  const std::string whole = Joined(walk.base, walk.names, 0, walk.names.size());
  struct stat info;
  if (walk.names.empty() ? IsHostFolder(whole, info) : Exists(whole)) return {whole};
  const int depth = DeepestFolder(walk, info);
  if (depth < 0) {
    if (baseIsDriveRoot && errno == ENOENT) return Failed(wincode::kNotReady, ENOENT);
    return {whole};
  }
  std::string folder = Joined(walk.base, walk.names, 0, static_cast<size_t>(depth));
  for (size_t i = static_cast<size_t>(depth); i < walk.names.size(); ++i) {
    if (i > static_cast<size_t>(depth)) {
      const std::string exact = JoinHostPath(folder, walk.names[i]);
      if (Exists(exact)) {
        folder = exact;
        continue;
      }
      if (!IsHostFolder(folder, info)) return {Joined(folder, walk.names, i, walk.names.size())};
    }
    const std::optional<std::string> spelling = SpellingIn(folder, info, walk.names[i]);
    if (!spelling) return {Joined(folder, walk.names, i, walk.names.size())};
    folder = JoinHostPath(folder, *spelling);
  }
  return {folder};
}

bool FoundIn(const std::string& folder, const std::string& name) {
  struct stat info;
  if (Exists(JoinHostPath(folder, name))) return true;
  return IsHostFolder(folder, info) && SpellingIn(folder, info, name).has_value();
}

// Where a path lies before any of its own names is looked at: the folder it starts from and
// the names below it, or why it names no host file.
struct Located {
  std::optional<Walk> walk;
  bool baseIsDriveRoot = false;
  Translation failure;
};

Located LocateFailed(uint32_t windowsCode, int rawCode) {
  return {std::nullopt, false, Failed(windowsCode, rawCode)};
}

// "X:" alone or "X:name" is relative to the drive's current folder: the process's current
// folder when it lies on that drive, the drive's root otherwise. A ":" after the drive is
// no part of a Windows name.
Located DrivePath(const Text& path) {
  if (path.find(':', 2) != Text::npos) return LocateFailed(wincode::kInvalidName, EINVAL);
  const std::optional<std::string> root = DriveRoot(path[0]);
  if (!root) return LocateFailed(wincode::kPathNotFound, ENODEV);
  const std::string rest = path.substr(2);
  std::string base = *root;
  if (dos::IsDriveRelative(path)) {
    const std::string here = BatchCurrentFolder();
    if (dos::DriveIndex(DriveHolding(here)) == dos::DriveIndex(path[0])) base = here;
  }
  return {Normalised(base, rest, *root), base == *root, {}};
}

// A path from the root lies on the current drive, as on Windows. A host path as typed is
// taken when the drive does not hold its first folder and the host holds it in exactly that
// spelling.
Located RootedPath(const Text& path) {
  const char drive = CurrentDrive();
  if (drive == 0) return {Normalised("/", path, "/"), false, {}};
  const std::string root = DriveRoot(drive).value_or("/");
  // A drive whose root is the host's own holds every host path as it is typed.
  if (root == "/") return {Normalised(root, path, root), true, {}};
  const std::vector<std::string> components = dos::Components(path);
  const bool onHost = !components.empty() && !FoundIn(root, components[0]) &&
                      Exists(JoinHostPath("/", components[0]));
  if (onHost) return {Normalised("/", path, "/"), false, {}};
  return {Normalised(root, path, root), true, {}};
}

// A relative path steps back at most to the root of the current folder's drive.
Located RelativePath(const Text& path) {
  const std::string here = BatchCurrentFolder();
  const char drive = DriveHolding(here);
  const std::string floor = drive == 0 ? "/" : DriveRoot(drive).value_or("/");
  return {Normalised(here, path, floor), false, {}};
}

Located Locate(const Text& path) {
  if (path.empty()) return LocateFailed(wincode::kPathNotFound, ENOENT);
  // A NUL would end the text early at the platform and name another file.
  if (dos::HoldsInvalidCharacter(path)) return LocateFailed(wincode::kInvalidName, EINVAL);
  if (dos::StartsWithDrive(path)) return DrivePath(path);
  if (dos::IsSeparator(path[0])) return RootedPath(path);
  return RelativePath(path);
}

Translation Translate(const Text& path) {
  const LookupBatch batch;
  const Located located = Locate(path);
  if (!located.walk) return located.failure;
  return Spelled(*located.walk, located.baseIsDriveRoot);
}

}  // namespace

std::optional<std::string> HostPath(const Text& path) {
  return Translate(path).hostPath;
}

std::optional<std::string> HostPathAsWritten(const Text& path) {
  const LookupBatch batch;
  const Located located = Locate(path);
  if (!located.walk) return std::nullopt;
  return Joined(located.walk->base, located.walk->names, 0, located.walk->names.size());
}

std::optional<std::string> HostPathOrError(ErrorState& state, const Text& path) {
  Translation translation = Translate(path);
  if (!translation.hostPath) {
    StoreWindowsError(state, translation.windowsCode, translation.rawCode);
  }
  return std::move(translation.hostPath);
}

Text InDriveForm(char letter, const std::string& hostFolder) {
  const std::optional<std::string> root = DriveRoot(letter);
  if (!root || !HoldsFolder(*root, hostFolder)) return hostFolder;
  std::string rest = hostFolder.substr(std::min(root->size(), hostFolder.size()));
  while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
  if (rest.find_first_of("\\:") != std::string::npos || dos::HoldsInvalidCharacter(rest)) {
    return hostFolder;
  }
  std::replace(rest.begin(), rest.end(), '/', '\\');
  return UpperText(std::string(1, letter)) + ":\\" + rest;
}

}  // namespace quelb::posix
