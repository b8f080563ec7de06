// The long name that a copy's target keeps through the wide calls: the copy takes it, and the
// path check measures it.
#pragma once

#include <string>

#include "services/text.h"

namespace quelb::win32 {

// The listing names a file by its short name when the code page cannot spell its long one;
// such a file keeps its own long name in the target, through the wide calls, where the copy
// keeps its name. Empty for every other copy.
std::wstring LongTargetFor(const Text& source, const Text& target);

}  // namespace quelb::win32
