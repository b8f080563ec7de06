// What the terminal layer keeps for each dialog it created, and the way messages reach the
// callback.
#pragma once

#include <cstdint>
#include <vector>

#include "dialog/caption.h"
#include "dialog/curses/edit_box.h"
#include "dialog/layer.h"

namespace quelb::dialog::curses {

struct CellRect {
  int col, row, width, height;
};

struct Control {
  ControlKind kind;
  int id;
  uint32_t handle;
  uint32_t style;
  CellRect rect;
  Text text;        // a label's text, a button's caption as given
  Caption caption;  // buttons
  EditBox edit;     // text boxes
  bool isDefault = false;
};

// Records are kept for the whole process, so a handle stays valid after its dialog ended and
// ending it again finds it ended instead of freed memory.
struct Record {
  uint32_t handle = 0;
  Unit unit = Unit::kDialogUnits;
  Text title;
  CellRect client{};                  // col and row are -1 when the dialog is centred
  DialogCallback callback = nullptr;  // attached by show modal
  int32_t* result = nullptr;
  bool live = true;
  bool ending = false;
  std::vector<Control> controls;
  int focus = -1;  // index of the control with the focus
};

// A fresh window handle number, as the callback sees handles in its parameters.
uint32_t NextHandle();

Record* NewRecord();
// The layer's handle stands for a record of this backend.
DialogHandle HandleOf(Record* record);
// The record of a dialog that has not ended, or null.
Record* LiveRecord(DialogHandle dialog);

// The control with the id, or null when the dialog has ended or has no such control.
Control* FindControl(Record* record, int id);

// Calls the attached callback; 0 (not handled) when none is attached.
int32_t SendToCallback(Record* record, uint32_t message, uint32_t wParam, uint32_t lParam);

// WM_COMMAND with the id in the low and the code in the high 16 bits and, as the dialog
// manager does, the handle of the control with that id (0 when there is none).
void SendCommand(Record* record, int id, uint32_t code);

}  // namespace quelb::dialog::curses
