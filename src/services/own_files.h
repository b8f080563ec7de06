// What the unattended program needs beside the journal's files: a comparison of two files'
// bytes, and the hidden folder of its own in a target. The services of a run never list such
// a folder, as they list plain files only. Failures are stored as every service stores them.
#pragma once

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

}  // namespace quelb
