// The names a copy forms beside its target: its temporary file, and the long name that a
// target keeps through the wide calls. The copy makes them, and the path check measures them.
#pragma once

#include <climits>
#include <string>

#include "services/text.h"

namespace quelb::win32 {

// The widest count a temporary name may carry, for a measure that holds for every copy.
inline constexpr unsigned kWidestCopyCount = UINT_MAX;

// The temporary file of this process's copy number count in the folder.
Text TemporaryCopyPath(const Text& folder, unsigned count);

// The listing names a file by its short name when the code page cannot spell its long one;
// such a file keeps its own long name in the target, through the wide calls, where the copy
// keeps its name. Empty for every other copy.
std::wstring LongTargetFor(const Text& source, const Text& target);

}  // namespace quelb::win32
