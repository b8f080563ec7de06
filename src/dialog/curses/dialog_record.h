// What the terminal backend keeps for each dialog it created, beyond what every backend keeps.
#pragma once

#include <cstdint>
#include <vector>

#include "dialog/caption.h"
#include "dialog/curses/edit_box.h"
#include "dialog/dialog_record.h"
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

struct Record : Dialog {
  Text title;
  CellRect client{};  // col and row are -1 when the dialog is centred
  bool live = true;
  std::vector<Control> controls;
  int focus = -1;  // index of the control with the focus
};

// The record of a dialog that has not ended, or null. The handles that this backend gives out
// stand for its own records.
inline Record* LiveRecord(DialogHandle dialog) {
  Record* record = static_cast<Record*>(dialog);
  return record != nullptr && record->live ? record : nullptr;
}

}  // namespace quelb::dialog::curses
