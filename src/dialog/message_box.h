// The windowed message box of the dialog backend, installed as the message handler by the
// start-up.
#pragma once

#include <cstdint>

#include "services/text.h"

namespace quelb::dialog {

// Shows a task-modal box without an owner and returns the code of the button pressed.
int ShowMessageBox(const Text& text, const Text& title, uint32_t style);

}  // namespace quelb::dialog
