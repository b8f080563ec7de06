// What a backend gives the portable file table: an exclusive open under the in-use test and
// plain access through the handle it returns.
#pragma once

#include <cstdint>

#include "services/error.h"
#include "services/files.h"
#include "services/text.h"

namespace quelb::platform {

using FileHandle = intptr_t;

// On failure stores the error and returns false; the handle is then untouched.
bool OpenExclusive(ErrorState& state, const Text& path, Access access, FileHandle& handle);
int64_t FileLength(ErrorState& state, FileHandle handle);
// Reads up to count bytes at position into the caller's buffer and returns how many it read:
// fewer at the end of the file, 0 on failure.
int64_t ReadAt(ErrorState& state, FileHandle handle, int64_t position, char* into, int64_t count);
void Close(ErrorState& state, FileHandle handle);

}  // namespace quelb::platform
