// The grammar of DOS paths.
#include "services/dos_path.h"

#include <algorithm>

#include "services/backend.h"

namespace quelb::dos {

namespace {

// Where the last part of a path begins. Windows reads a path with ":" in its second place as a
// drive path, whatever its first character.
size_t LastPartAt(std::string_view path) {
  const size_t cut = path.find_last_of("\\/");
  if (cut != std::string_view::npos) return cut + 1;
  return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

}  // namespace

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

int DriveIndex(char letter) {
  if (letter >= 'a' && letter <= 'z') return letter - 'a';
  if (letter >= 'A' && letter <= 'Z') return letter - 'A';
  return -1;
}

bool StartsWithDrive(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' && DriveIndex(path[0]) >= 0;
}

bool IsDriveRelative(std::string_view drivePath) {
  return drivePath.size() == 2 || !IsSeparator(drivePath[2]);
}

std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> components;
  for (size_t start = 0; start < path.size();) {
    const size_t end = std::min(path.find_first_of("\\/", start), path.size());
    if (end > start) components.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return components;
}

bool HoldsInvalidCharacter(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) return true;
    if (std::string_view("\"*?<>|").find(c) != std::string_view::npos) return true;
  }
  return false;
}

bool HoldsWildcard(std::string_view path) {
  return path.find_first_of("*?") != std::string_view::npos;
}

std::string FolderOf(std::string_view path) {
  const size_t at = LastPartAt(path);
  if (at == 0) return ".";
  const bool keepsSeparator = at == 1 || path[at - 2] == ':';
  const bool dropsSeparator = IsSeparator(path[at - 1]) && !keepsSeparator;
  return std::string(path.substr(0, dropsSeparator ? at - 1 : at));
}

std::string NameOf(std::string_view path) {
  return std::string(path.substr(LastPartAt(path)));
}

std::string FullMask(std::string_view mask) {
  const bool wholeFolder = !mask.empty() && (mask.back() == ':' || mask.back() == '\\' ||
                                             mask.back() == platform::kHostSeparator);
  return wholeFolder ? std::string(mask) + "*.*" : std::string(mask);
}

}  // namespace quelb::dos
