// The dialog layer's operations, sent to the backend that the start-up connected: on Linux
// the window when a display opens, else the terminal; on Windows the dialog manager.
#include "dialog/choice/chosen_backend.h"

#include "dialog/backend.h"
#include "dialog/layer.h"
#include "dialog/message_box.h"

namespace quelb::dialog {
namespace {

using Connection = const LayerBackend* (*)();

// The backends of the build, in the order they are tried.
constexpr Connection kCandidates[] = {
#ifdef _WIN32
    win32::Connect,
#else
    fltk::Connect,
    curses::Connect,
#endif
};

const LayerBackend*& Chosen() {
  static const LayerBackend* chosen = nullptr;
  return chosen;
}

}  // namespace

bool OpenBackend() {
  for (const Connection connect : kCandidates) {
    if (const LayerBackend* backend = connect()) {
      Chosen() = backend;
      return true;
    }
  }
  return false;
}
DialogHandle MakeDialog(Unit unit, DialogHandle owner, const Text& title, int x, int y, int width,
                        int height, uint32_t style, uint32_t exStyle) {
  return Chosen()->makeDialog(unit, owner, title, x, y, width, height, style, exStyle);
}

void AddControl(ControlKind kind, DialogHandle dialog, int id, const Text& text, int x, int y,
                int width, int height, uint32_t style, uint32_t exStyle) {
  Chosen()->addControl(kind, dialog, id, text, x, y, width, height, style, exStyle);
}

void ShowModal(DialogHandle dialog, DialogCallback callback, int32_t* result) {
  Chosen()->showModal(dialog, callback, result);
}

void EndDialog(DialogHandle dialog, int32_t result) {
  Chosen()->endDialog(dialog, result);
}

Text GetControlText(DialogHandle dialog, int id) {
  return Chosen()->getControlText(dialog, id);
}

void SetControlText(DialogHandle dialog, int id, const Text& text) {
  Chosen()->setControlText(dialog, id, text);
}

int ShowMessageBox(const Text& text, const Text& title, uint32_t style) {
  return Chosen()->showMessageBox(text, title, style);
}

}  // namespace quelb::dialog
