// The message boxes are the platform's own: MessageBoxA without an owner window, the style's
// MB_TASKMODAL disabling the thread's other windows instead. This adds what the platform
// leaves undone when a box goes.
#include "dialog/win32/layer.h"

namespace quelb::dialog::win32 {

int ShowMessageBox(const Text& text, const Text& title, uint32_t style) {
  // The box disables the thread's windows and, when it goes, leaves the focus nowhere: it is
  // given back to the control that had it.
  HWND focus = GetFocus();
  const int answer = MessageBoxA(nullptr, text.c_str(), title.c_str(), style);
  if (focus != nullptr && IsWindow(focus)) SetFocus(focus);
  return answer;
}

}  // namespace quelb::dialog::win32
