// Message boxes. The box itself is shown by an installable handler: the window backend
// installs the windowed one, tests install a scripted operator.
#pragma once

#include <cstdint>
#include <functional>

#include "services/text.h"

namespace quelb {

inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_ABORTRETRYIGNORE = 0x2;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_RETRYCANCEL = 0x5;
inline constexpr uint32_t MB_TYPEMASK = 0xF;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_TASKMODAL = 0x2000;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

using MessageHandler = std::function<int(const Text& text, const Text& title, uint32_t style)>;

// The code of a box's first button, which is its default.
int FirstButtonOf(uint32_t style);

// Installs the handler and returns the one it replaces.
MessageHandler SetMessageHandler(MessageHandler handler);

// Shows the box and returns the code of the button pressed. Line breaks are CR LF.
int ShowMessage(const Text& text, uint32_t style, const Text& title);

}  // namespace quelb
