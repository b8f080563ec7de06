// Message boxes, which the engine shows through ShowMessage. The box itself is shown by an
// installable handler: the start-up installs the dialog layer's box, tests a scripted operator.
// Until one is installed the box goes to the standard error stream and its first button counts
// as pressed.
#pragma once

#include <cstdint>
#include <functional>

#include "services/text.h"
#include "services/windows_constants.h"

namespace quelb {

using MessageHandler = std::function<int(const Text& text, const Text& title, uint32_t style)>;

// The code of a box's first button, which is its default.
int FirstButtonOf(uint32_t style);

// Installs the handler and returns the one it replaces.
MessageHandler SetMessageHandler(MessageHandler handler);

// Shows the box and returns the code of the button pressed. Line breaks are CR LF.
int ShowMessage(const Text& text, uint32_t style, const Text& title);

}  // namespace quelb
