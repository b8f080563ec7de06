// What the layer keeps for each dialog it created, and the way messages reach its callback.
#pragma once

#include <cstdint>
#include <vector>

#include "dialog/fltk/face.h"
#include "dialog/layer.h"

class Fl_Widget;

namespace quelb::dialog {

namespace fltk {

class DialogWindow;

// A rectangle as the caller gave it, in the dialog's unit.
struct UnitRect {
  int x, y, width, height;
};

struct ControlEntry {
  ControlKind kind;
  int id;
  uint32_t handle;
  uint32_t style;
  Fl_Widget* widget;
  UnitRect place;
};

}  // namespace fltk

// Records are kept for the whole process, so a handle stays valid after its dialog ended and
// ending it again finds the window gone instead of freed memory.
struct Dialog {
  uint32_t handle = 0;
  Unit unit = Unit::kDialogUnits;
  fltk::BaseUnits units{};
  fltk::UnitRect place{};  // the client area as given
  bool centred = false;
  fltk::DialogWindow* window = nullptr;  // null once the dialog has ended
  Dialog* owner = nullptr;
  DialogCallback callback = nullptr;  // attached by show modal
  int32_t* result = nullptr;
  int showState = 5;
  bool ending = false;
  bool taskModal = false;  // a message box: the other windows take no input while it is up
  bool closeBox = false;
  std::vector<fltk::ControlEntry> controls;
};

namespace fltk {

// A fresh window handle number, as the callback sees handles in its parameters.
uint32_t NextHandle();

// Makes a new record that lives as long as the process.
Dialog* NewDialogRecord();

// The control with the id, or null when the dialog has ended or has no such control.
ControlEntry* FindControl(Dialog* dialog, int id);

// Calls the attached callback; 0 (not handled) when none is attached.
int32_t SendToCallback(Dialog* dialog, uint32_t message, uint32_t wParam, uint32_t lParam);

// WM_COMMAND with the id in the low and the code in the high 16 bits and, as the dialog
// manager does, the handle of the control with that id (0 when there is none).
void SendCommand(Dialog* dialog, int id, uint32_t code);

}  // namespace fltk
}  // namespace quelb::dialog
