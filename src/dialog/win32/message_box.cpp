// The message boxes are the platform's own (task-modal, without an owner window); this adds
// what the platform leaves undone when a box goes.
#include "dialog/win32/layer.h"
#include "services/backend.h"

namespace quelb::dialog::win32 {

int ShowMessageBox(const Text& text, const Text& title, uint32_t style) {
  // The box disables the thread's windows and, when it goes, leaves the focus nowhere: it is
  // given back to the control that had it.
  HWND focus = GetFocus();
  const int answer = platform::ShowMessageBox(text, title, style);
  if (focus != nullptr && IsWindow(focus)) SetFocus(focus);
  return answer;
}

}  // namespace quelb::dialog::win32
