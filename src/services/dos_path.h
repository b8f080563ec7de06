// The grammar of DOS paths: "\" and "/" both separate, "X:" starts a drive path, and some
// characters are in no Windows name. Only where a listing mask names a whole folder does the
// host's own separator count (FullMask).
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

// The folder part of a path as Windows reads it: up to its last separator, which a root keeps
// ("\", "X:\"), the drive of "X:name", or "." for a bare name.
std::string FolderOf(std::string_view path);

// The last part of a path: what follows its last separator, or the drive of "X:name" where it
// has none; empty for a path that ends in a separator or a drive.
std::string NameOf(std::string_view path);

// The mask that a listing takes: one that names a whole folder, a drive alone ("A:") or a path
// that ends in "\" or in the host's own separator (platform::kHostSeparator), stands for every
// name in it, "*.*" added.
std::string FullMask(std::string_view mask);

}  // namespace quelb::dos
