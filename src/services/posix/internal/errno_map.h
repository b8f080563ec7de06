// Turns errno into the Windows code that the same situation gives on Windows, so that the
// one mapping table gives the same error number on both platforms.
#pragma once

#include <cstdint>
#include <string>

#include "services/error.h"

namespace quelb::posix {

// The host path lets ENOENT tell a missing file (2) from a missing folder (3).
uint32_t WindowsCodeOfErrno(int error, const std::string& hostPath);

// Stores the error number of errno, keeping errno itself as the raw code.
void StoreErrno(ErrorState& state, int error, const std::string& hostPath);

}  // namespace quelb::posix
