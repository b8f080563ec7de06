// The drive table of a POSIX host: a drive letter names a folder through the links a: .. z:
// in the folder dosdevices of $WINEPREFIX (default ~/.wine, the home taken from the password
// file when HOME is unset).
#pragma once

#include <optional>
#include <string>

namespace quelb::posix {

// WINEPREFIX when it is set to a relative path, which names no drive table: Wine refuses
// one. Nothing when it is unset, empty or absolute.
std::optional<std::string> RelativeWinePrefix();

// The host folder behind a drive letter, or nothing when the drive is not there. The table
// is read once and again only when its folder changes.
std::optional<std::string> DriveRoot(char letter);

// The lettered drive whose root holds the host folder, the longest root winning, or 0 when
// the folder lies on none.
char DriveHolding(const std::string& hostFolder);

// The lettered drive whose root holds the current folder, or 0 when it lies on none.
char CurrentDrive();

// True when the drive table holds no drive at all, so that no folder lies on a drive.
bool NoDrives();

}  // namespace quelb::posix
