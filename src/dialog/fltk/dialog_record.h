// What the FLTK backend keeps for each dialog it created, beyond what every backend keeps.
#pragma once

#include <cstdint>
#include <vector>

#include "dialog/dialog_record.h"
#include "dialog/fltk/face.h"
#include "dialog/layer.h"

class Fl_Widget;

namespace quelb::dialog::fltk {

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

struct Record : Dialog {
  BaseUnits units{};
  UnitRect place{};  // the client area as given
  bool centred = false;
  DialogWindow* window = nullptr;  // null once the dialog has ended
  Record* owner = nullptr;
  int showState = 5;
  bool taskModal = false;  // a message box: the other windows take no input while it is up
  bool closeBox = false;
  std::vector<ControlEntry> controls;
};

// The handles that this backend gives out stand for its own records.
inline Record* RecordOf(DialogHandle dialog) {
  return static_cast<Record*>(dialog);
}

}  // namespace quelb::dialog::fltk
