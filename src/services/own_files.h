// What the unattended program needs beside the journal's files: a comparison of two files'
// bytes, the hidden folder of its own in a target, and the room left on a folder's volume. The
// services of a run never list such a folder, as they list plain files only. Failures are stored as
// every service stores them.
#pragma once

#include <cstdint>

#include "services/error.h"
#include "services/text.h"

namespace quelb {

// True when both files hold the same bytes, read a piece at a time; false, with the error
// stored, when either cannot be read.
bool SameBytes(ErrorState& state, const Text& first, const Text& second);

// Makes the folder, one level, unless it is there, and hides it: the hidden attribute on
// Windows, where a POSIX system hides a name that begins with a dot. A link or a file in its
// place is refused (70).
void MakeHiddenFolder(ErrorState& state, const Text& path);

// The room for new files on the volume that holds a folder, as this account may use it (a
// POSIX file system's blocks kept for root are not counted).
struct VolumeRoom {
  // The same for every folder of one volume: its device on POSIX, its root on Windows.
  Text volume;
  int64_t freeBytes = 0;
  // A file takes its size rounded up to a whole number of these.
  int64_t unitBytes = 1;
};

// False, with the error stored, when the volume of the folder cannot be asked.
bool RoomOnVolumeOf(ErrorState& state, const Text& folder, VolumeRoom& room);

}  // namespace quelb
