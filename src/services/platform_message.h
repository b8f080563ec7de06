// The platform's own message box, where the platform has one (Windows: MessageBoxA).
#pragma once

#include <cstdint>

#include "services/text.h"

namespace quelb::platform {

int ShowMessageBox(const Text& text, const Text& title, uint32_t style);

}  // namespace quelb::platform
