// The message box of the dialog backend, installed as the message handler by the start-up,
// and the backend's readiness to show anything at all.
#pragma once

#include <cstdint>

#include "services/text.h"

namespace quelb::dialog {

// Readies the backend before the first dialog; false when it has nowhere to show one (no
// display and no terminal). Nothing is shown and no file is touched either way.
bool OpenBackend();

// Shows a task-modal box without an owner and returns the code of the button pressed.
int ShowMessageBox(const Text& text, const Text& title, uint32_t style);

}  // namespace quelb::dialog
