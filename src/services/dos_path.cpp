// The grammar of DOS paths.
#include "services/dos_path.h"

#include <algorithm>

namespace quelb::dos {

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

}  // namespace quelb::dos
