// The dialog layer's message box, which each backend draws in its message_box.cpp and the
// start-up installs as the services' message handler.
#pragma once

#include <cstdint>

#include "services/text.h"

namespace quelb::dialog {

// Shows a task-modal box without an owner and returns the code of the button pressed.
int ShowMessageBox(const Text& text, const Text& title, uint32_t style);

}  // namespace quelb::dialog
