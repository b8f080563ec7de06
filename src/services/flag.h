// A flag is a 32-bit value; true is all bits set and any value other than 0 counts as true.
#pragma once

#include <cstdint>

namespace quelb {

using Flag = int32_t;
inline constexpr Flag kTrue = -1;
inline constexpr Flag kFalse = 0;

}  // namespace quelb
