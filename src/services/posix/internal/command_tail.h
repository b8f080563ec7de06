// The command tail read from the arguments as the kernel keeps them.
#pragma once

#include <string>

#include "services/text.h"

namespace quelb::posix {

// The tail of the arguments in the kernel's block: each one ended by a NUL, the program's
// name first. The arguments after the name are joined by one blank, without the blanks that
// follow the name.
Text TailOfArguments(const std::string& arguments);

}  // namespace quelb::posix
