// The dialog layer in the terminal: dialog units scaled to cells, the open dialogs painted
// one over the other, and the dialog manager's modal loop.
#include "dialog/curses/layer.h"

#include <curses.h>

#include <algorithm>
#include <vector>

#include "dialog/curses/keyboard.h"
#include "dialog/curses/paint.h"
#include "dialog/curses/screen.h"
#include "dialog/start_messages.h"
#include "services/terminal.h"

namespace quelb::dialog::curses {
namespace {

// Ctrl+L, with which terminal programs paint their screen anew.
constexpr int kRepaintKey = 12;

// Nine horizontal dialog units make two columns and eight vertical ones a row: the dialog
// units of the window's font at its aspect, narrowed a little so that the installer dialog
// fits 80 columns.
int Column(int x) {
  return x * 2 / 9;
}

int Row(int y) {
  return y / 8;
}

CellRect ToCells(Unit unit, int x, int y, int width, int height) {
  if (unit == Unit::kPixels) return CellRect{x, y, width, height};
  const int col = Column(x), row = Row(y);
  return CellRect{col, row, std::max(Column(x + width) - col, 1),
                  std::max(Row(y + height) - row, 1)};
}

std::vector<Record*>& OpenDialogs() {
  static std::vector<Record*> open;
  return open;
}

void PaintAll(bool whole) {
  if (!OpenDialogs().empty()) Paint(OpenDialogs(), whole);
}

bool GiveUp() {
  return StopScreen();
}

// Back from a program that had the terminal: what it wrote is painted over.
void TakeBack() {
  StartScreen();
  PaintAll(true);
}

void TakeTerminal() {
  StartScreen();
  SetTerminalHolder(TerminalHolder{GiveUp, TakeBack});
}

void RunUntilEnded(Record& record) {
  while (record.live) {
    const Key key = ReadKey();
    if (key.code == ERR) continue;
    if (key.code == KEY_RESIZE || key.code == kRepaintKey) {
      PaintAll(true);
      continue;
    }
    // Keys wait while the terminal is too small to show what they would act on.
    if (!Fits(OpenDialogs())) continue;
    HandleKey(record, key);
    if (record.live) PaintAll(false);
  }
}

}  // namespace

DialogHandle MakeDialog(Unit unit, DialogHandle, const Text& title, int x, int y, int width,
                        int height, uint32_t, uint32_t) {
  const bool centred = x == kCentred || y == kCentred;
  Record* record = NewRecord<Record>();
  record->unit = unit;
  record->title = title;
  record->client = ToCells(unit, centred ? 0 : x, centred ? 0 : y, width, height);
  if (centred) record->client.col = record->client.row = -1;
  return record;
}

void AddControl(ControlKind kind, DialogHandle dialog, int id, const Text& text, int x, int y,
                int width, int height, uint32_t style, uint32_t exStyle) {
  Record* record = LiveRecord(dialog);
  if (record == nullptr) return;
  const ControlStyle effective = EffectiveControlStyle(kind, style, exStyle);
  Control control{
      kind, id, NextHandle(), effective.style, ToCells(record->unit, x, y, width, height),
      text, {}, EditBox(text)};
  if (kind == ControlKind::kButton) {
    control.caption = ParseCaption(text);
    control.isDefault = (effective.style & 0xF) == BS_DEFPUSHBUTTON;
  }
  record->controls.push_back(std::move(control));
}

void ShowModal(DialogHandle dialog, DialogCallback callback, int32_t* result) {
  Record* record = LiveRecord(dialog);
  if (record == nullptr) return;
  record->result = result;
  const auto live = [record] { return record->live; };
  const auto clientSize = [record] {
    return ClientSize{record->client.width, record->client.height};
  };
  if (!SendStartMessages(dialog, callback, record->handle, SIZE_RESTORED, live, clientSize)) {
    return;
  }
  record->callback = callback;
  TakeTerminal();
  OpenDialogs().push_back(record);
  FocusFirstTabStop(*record);
  PaintAll(OpenDialogs().size() == 1);
  RunUntilEnded(*record);
  std::vector<Record*>& open = OpenDialogs();
  open.erase(std::remove(open.begin(), open.end(), record), open.end());
  // The last dialog gives the terminal back, to the program that is started next.
  if (open.empty()) {
    StopScreen();
  } else {
    PaintAll(false);
  }
}

void EndDialog(DialogHandle dialog, int32_t result) {
  Record* record = LiveRecord(dialog);
  if (record == nullptr || record->ending) return;
  record->ending = true;
  SendToCallback(record, WM_CLOSE, 0, 0);
  if (record->result != nullptr) *record->result = result;
  record->live = false;
  record->controls.clear();
  record->focus = -1;
}

Text GetControlText(DialogHandle dialog, int id) {
  const Control* control = FindControl(LiveRecord(dialog), id);
  if (control == nullptr || control->kind == ControlKind::kEtchedLine) return Text();
  return control->kind == ControlKind::kTextBox ? control->edit.Text() : control->text;
}

void SetControlText(DialogHandle dialog, int id, const Text& text) {
  Record* record = LiveRecord(dialog);
  Control* control = FindControl(record, id);
  if (control == nullptr) return;
  switch (control->kind) {
    case ControlKind::kTextBox:
      control->edit.SetText(text);
      // An edit control tells its dialog of every change, also of one made by the program.
      SendCommand(record, id, EN_CHANGE);
      break;
    case ControlKind::kButton:
      control->text = text;
      control->caption = ParseCaption(text);
      break;
    case ControlKind::kLabel:
      control->text = text;
      break;
    case ControlKind::kEtchedLine:
      return;
  }
  // The run writes while it works and takes no keys then: paint at once.
  if (record->live &&
      std::find(OpenDialogs().begin(), OpenDialogs().end(), record) != OpenDialogs().end()) {
    PaintAll(false);
  }
}

}  // namespace quelb::dialog::curses
