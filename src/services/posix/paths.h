// The POSIX meaning of drives and DOS paths. A drive letter names a folder through the drive
// table: the links a: .. z: in the folder dosdevices of $WINEPREFIX (default ~/.wine).
#pragma once

#include <dirent.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "services/text.h"

namespace quelb::posix {

// True when the text holds a character that no Windows name holds: " * ? < > | or a control
// character.
bool HoldsInvalidCharacter(std::string_view text);

// The host folder behind a drive letter, or nothing when the drive is not there.
std::optional<std::string> DriveRoot(char letter);

// The lettered drive whose root holds the host folder, the longest root winning, or 0 when
// the folder lies on none.
char DriveHolding(const std::string& hostFolder);

// The lettered drive whose root holds the current folder, or 0 when it lies on none.
char CurrentDrive();

// A host folder on the drive whose root holds it, as Windows writes it: "D:\" for the root,
// "C:\QUELB\SETUP" inside. A folder whose names no drive path can carry keeps its host path.
Text InDriveForm(char letter, const std::string& hostFolder);

// Translates a path as the logic writes it into a host path. "\" and "/" both separate;
// "X:" starts a drive path; a leading separator without a drive is on the current drive;
// each component is matched exactly first, then without regard to ASCII case. A path on a
// drive that is not there gives nothing.
std::optional<std::string> HostPath(const Text& path);

// The folder part of a host path: "." for a bare name, "/" for a name in the root.
std::string HostFolderOf(const std::string& hostPath);

// True when the host path names a folder or a link to one.
bool IsHostFolder(const std::string& hostPath);

// True when the host path names a regular file or a link to one.
bool IsHostFile(const std::string& hostPath);

// The host path with every link resolved, or the path as given when it is not there.
std::string CanonicalHostPath(const std::string& hostPath);

struct FolderCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
// A folder of the host opened for reading its entries, closed with its owner.
using OpenFolder = std::unique_ptr<DIR, FolderCloser>;

}  // namespace quelb::posix
