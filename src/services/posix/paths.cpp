// DOS paths on a POSIX host: the drive table of the Wine prefix, both separators, and names
// matched without regard to ASCII case where the exact spelling is not there.
#include "services/posix/paths.h"

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace quelb::posix {
namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char LowerLetter(char c) {
  return LowerText(std::string(1, c))[0];
}

bool Exists(const std::string& hostPath) {
  struct stat info;
  return lstat(hostPath.c_str(), &info) == 0;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string DriveTableFolder() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0') {
    return Join(prefix, "dosdevices");
  }
  const char* home = std::getenv("HOME");
  return Join(Join(home != nullptr ? home : "", ".wine"), "dosdevices");
}

std::optional<std::string> LinkTarget(const std::string& link) {
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    const ssize_t length = readlink(link.c_str(), buffer.data(), buffer.size());
    if (length < 0) return std::nullopt;
    if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

std::string CurrentFolder() {
  std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
  return cwd ? std::string(cwd.get()) : std::string("/");
}

bool HoldsFolder(const std::string& root, const std::string& folder) {
  if (root == "/") return true;
  return folder.compare(0, root.size(), root) == 0 &&
         (folder.size() == root.size() || folder[root.size()] == '/');
}

// The name in folder that equals the component exactly or, failing that, without regard to
// case; a name that is not there yet (a file to create) keeps the spelling as written.
std::string MatchComponent(const std::string& folder, const std::string& component) {
  if (component == "." || component == ".." || Exists(Join(folder, component))) return component;
  const OpenFolder dir(opendir(folder.c_str()));
  if (!dir) return component;
  const Text wanted = LowerText(component);
  while (const dirent* entry = readdir(dir.get())) {
    if (LowerText(entry->d_name) == wanted) return entry->d_name;
  }
  return component;
}

bool FoundIn(const std::string& folder, const std::string& component) {
  return Exists(Join(folder, MatchComponent(folder, component)));
}

std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> components;
  std::string current;
  for (const char c : path) {
    if (IsSeparator(c)) {
      if (!current.empty()) components.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) components.push_back(current);
  return components;
}

// ".." steps back a folder but, as on Windows, never above the root the path starts on.
std::string Resolve(std::string folder, const std::string& rest, const std::string& floor) {
  for (const std::string& component : Components(rest)) {
    if (component == ".") continue;
    if (component == "..") {
      if (folder != floor && HoldsFolder(floor, folder)) folder = HostFolderOf(folder);
      continue;
    }
    folder = Join(folder, MatchComponent(folder, component));
  }
  return folder;
}

// The root that ".." cannot pass from the current folder: its drive's, or the host's.
std::string CurrentFloor() {
  const char drive = CurrentDrive();
  return drive == 0 ? "/" : DriveRoot(drive).value_or("/");
}

bool StartsWithDrive(const Text& path) {
  return path.size() >= 2 && path[1] == ':' && IsLetter(path[0]);
}

// "X:" alone or "X:name" is relative to the drive's current folder: the process's current
// folder when it lies on that drive, the drive's root otherwise.
std::optional<std::string> DrivePath(const Text& path) {
  const char letter = LowerLetter(path[0]);
  const std::optional<std::string> root = DriveRoot(letter);
  if (!root) return std::nullopt;
  const std::string rest = path.substr(2);
  const bool relative = rest.empty() || !IsSeparator(rest[0]);
  const std::string base =
      relative && CurrentDrive() == letter ? CanonicalHostPath(CurrentFolder()) : *root;
  return Resolve(base, rest, *root);
}

// A path from the root lies on the current drive, as on Windows. A host path as typed (the
// current folder is reported that way) is taken when the drive does not hold its first
// folder and the host holds it in exactly that spelling.
std::string RootedPath(const Text& path) {
  const std::vector<std::string> components = Components(path);
  const char drive = CurrentDrive();
  if (drive == 0) return Resolve("/", path, "/");
  const std::string root = DriveRoot(drive).value_or("/");
  const bool onHost =
      !components.empty() && !FoundIn(root, components[0]) && Exists(Join("/", components[0]));
  if (onHost) return Resolve("/", path, "/");
  return Resolve(root, path, root);
}

}  // namespace

bool HoldsInvalidCharacter(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) return true;
    if (std::string_view("\"*?<>|").find(c) != std::string_view::npos) return true;
  }
  return false;
}

// The canonical form lets the current folder be compared with drive roots; a root whose
// folder is not there (a drive without a disk) keeps the link's own text.
std::string CanonicalHostPath(const std::string& hostPath) {
  std::unique_ptr<char, decltype(&std::free)> resolved(realpath(hostPath.c_str(), nullptr),
                                                       &std::free);
  return resolved ? std::string(resolved.get()) : hostPath;
}

std::string HostFolderOf(const std::string& hostPath) {
  size_t end = hostPath.size();
  while (end > 1 && hostPath[end - 1] == '/') --end;
  const size_t slash = end == 0 ? std::string::npos : hostPath.rfind('/', end - 1);
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : hostPath.substr(0, slash);
}

bool IsHostFolder(const std::string& hostPath) {
  struct stat info;
  return stat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsHostFile(const std::string& hostPath) {
  struct stat info;
  return stat(hostPath.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::optional<std::string> DriveRoot(char letter) {
  if (!IsLetter(letter)) return std::nullopt;
  const std::string link = Join(DriveTableFolder(), std::string(1, LowerLetter(letter)) + ":");
  const std::optional<std::string> target = LinkTarget(link);
  if (!target) return std::nullopt;
  if (target->empty()) return std::nullopt;
  const std::string root = target->front() == '/' ? *target : Join(DriveTableFolder(), *target);
  return CanonicalHostPath(root);
}

char DriveHolding(const std::string& folder) {
  char best = 0;
  size_t bestLength = 0;
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    const std::optional<std::string> root = DriveRoot(letter);
    if (!root || !HoldsFolder(*root, folder)) continue;
    if (best == 0 || root->size() > bestLength) {
      best = letter;
      bestLength = root->size();
    }
  }
  return best;
}

char CurrentDrive() {
  return DriveHolding(CanonicalHostPath(CurrentFolder()));
}

Text InDriveForm(char letter, const std::string& hostFolder) {
  const std::optional<std::string> root = DriveRoot(letter);
  if (!root || !HoldsFolder(*root, hostFolder)) return hostFolder;
  std::string rest = hostFolder.substr(std::min(root->size(), hostFolder.size()));
  while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
  if (rest.find_first_of("\\:") != std::string::npos || HoldsInvalidCharacter(rest)) {
    return hostFolder;
  }
  for (char& c : rest) {
    if (c == '/') c = '\\';
  }
  return UpperText(std::string(1, letter)) + ":\\" + rest;
}

std::optional<std::string> HostPath(const Text& path) {
  // A NUL would end the text early at the platform and name another file.
  if (path.empty() || path.find('\0') != Text::npos) return std::nullopt;
  if (StartsWithDrive(path)) return DrivePath(path);
  if (IsSeparator(path[0])) return RootedPath(path);
  return Resolve(CanonicalHostPath(CurrentFolder()), path, CurrentFloor());
}

}  // namespace quelb::posix
