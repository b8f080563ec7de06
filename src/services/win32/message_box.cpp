#include "services/backend.h"
#include "services/win32/internal/call.h"

namespace quelb::platform {

// No owner window: the style's MB_TASKMODAL disables the thread's other windows instead.
int ShowMessageBox(const Text& text, const Text& title, uint32_t style) {
  return MessageBoxA(nullptr, text.c_str(), title.c_str(), style);
}

}  // namespace quelb::platform
