// What a program keeps for itself beside the files it delivers: the size and modification
// time of a file, its bytes read whole or compared with another's, and small files written
// whole in a hidden folder of its own. The services of a run never list such a folder, as
// they list plain files only. Failures are stored as every service stores them.
#pragma once

#include <cstdint>
#include <string_view>

#include "services/error.h"
#include "services/text.h"

namespace quelb {

struct FileFacts {
  int64_t size = 0;
  // Nanoseconds since 1970-01-01 UTC, as fine as the file system keeps them.
  int64_t modified = 0;
  bool operator==(const FileFacts&) const = default;
};

// The facts of a regular file, which is neither opened nor held; false, with the error stored,
// when there is none under the path (53 for a missing file, 70 for a folder).
bool FactsOfFile(ErrorState& state, const Text& path, FileFacts& facts);

// The file's bytes; empty, with the error stored, when it cannot be read whole or is longer
// than largest (then 7, out of memory).
Text ReadWholeFile(ErrorState& state, const Text& path, int64_t largest);

// True when both files hold the same bytes, read a piece at a time; false, with the error
// stored, when either cannot be read.
bool SameBytes(ErrorState& state, const Text& first, const Text& second);

// Puts the bytes under the path whole: written under a temporary name beside it, on the disk,
// then renamed over the old file, so that a crash leaves either the old file or the new one.
void WriteWholeFile(ErrorState& state, const Text& path, std::string_view bytes);

// Makes the folder, one level, unless it is there, and hides it: the hidden attribute on
// Windows, where a POSIX system hides a name that begins with a dot. A link in its place is
// refused (70).
void MakeHiddenFolder(ErrorState& state, const Text& path);

}  // namespace quelb
