// The grammar of DOS paths, the same on every host: "\" and "/" both separate, "X:" starts a
// drive path, and some characters are in no Windows name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quelb::dos {

bool IsSeparator(char c);

// 0 to 25 for a drive letter in either case, -1 for any other character.
int DriveIndex(char letter);

// True when the path begins with a drive letter and ":".
bool StartsWithDrive(std::string_view path);

// True for a drive path that is relative to the drive's current folder: "X:" alone or
// "X:name". The path starts with a drive.
bool IsDriveRelative(std::string_view drivePath);

// The names between the separators, empty ones left out.
std::vector<std::string> Components(std::string_view path);

// True when the text holds a character that no Windows name holds: " * ? < > | or a control
// character.
bool HoldsInvalidCharacter(std::string_view text);

// True when the path holds "*" or "?", which only a listing mask may hold.
bool HoldsWildcard(std::string_view path);

}  // namespace quelb::dos
