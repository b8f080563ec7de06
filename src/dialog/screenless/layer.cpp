#include "dialog/layer.h"

#include <unistd.h>

#include <cstdio>
#include <vector>

#include "dialog/dialog_record.h"
#include "dialog/message_box.h"
#include "dialog/screenless/progress_line.h"
#include "services/message.h"

namespace quelb::dialog {
namespace {

struct Control {
  ControlKind kind;
  int id;
  Text text;
  uint32_t handle;
};

struct Record : Dialog {
  std::vector<Control> controls;
};

Record* RecordOf(DialogHandle dialog) {
  return static_cast<Record*>(dialog);
}

// The length of the progress line now shown, 0 when none is.
size_t& ShownProgress() {
  static size_t shown = 0;
  return shown;
}

bool StandardErrorIsATerminal() {
  static const bool terminal = isatty(fileno(stderr)) != 0;
  return terminal;
}

// What the line shows besides the status text: the figures of the deploy, and the status.
struct ProgressTexts {
  Text figures;
  Text status;
};

ProgressTexts& Shown() {
  static ProgressTexts texts;
  return texts;
}

// The line is written over in place: what the longer line before it showed is blanked.
void ShowProgress() {
  if (!StandardErrorIsATerminal()) return;
  const ProgressTexts& shown = Shown();
  const Text text = shown.figures.empty() ? shown.status : shown.figures + "  " + shown.status;
  const size_t blanks = ShownProgress() > text.size() ? ShownProgress() - text.size() : 0;
  std::fprintf(stderr, "\r%s%*s", text.c_str(), static_cast<int>(blanks), "");
  std::fflush(stderr);
  ShownProgress() = text.size();
}

}  // namespace

namespace screenless {

bool ProgressLineShown() {
  return StandardErrorIsATerminal();
}

void ShowProgressFigures(const Text& figures) {
  Shown().figures = figures;
  ShowProgress();
}

void EndProgressLine() {
  if (ShownProgress() == 0) return;
  std::fputc('\n', stderr);
  ShownProgress() = 0;
}

}  // namespace screenless

DialogHandle MakeDialog(Unit unit, DialogHandle, const Text&, int, int, int, int, uint32_t,
                        uint32_t) {
  Record* record = NewRecord<Record>();
  record->unit = unit;
  return record;
}

void AddControl(ControlKind kind, DialogHandle dialog, int id, const Text& text, int, int, int, int,
                uint32_t, uint32_t) {
  RecordOf(dialog)->controls.push_back({kind, id, text, NextHandle()});
}

// Nobody can press a button: the dialog gets its first message and ends as cancelled unless
// that message ended it.
void ShowModal(DialogHandle dialog, DialogCallback callback, int32_t* result) {
  dialog->callback = callback;
  dialog->result = result;
  SendToCallback(dialog, WM_INITDIALOG, 0, 0);
  EndDialog(dialog, IDCANCEL);
}

void EndDialog(DialogHandle dialog, int32_t result) {
  if (dialog->ending) return;
  dialog->ending = true;
  if (dialog->result != nullptr) *dialog->result = result;
}

Text GetControlText(DialogHandle dialog, int id) {
  const Control* control = FindControl(RecordOf(dialog), id);
  return control == nullptr ? Text{} : control->text;
}

void SetControlText(DialogHandle dialog, int id, const Text& text) {
  Control* control = FindControl(RecordOf(dialog), id);
  if (control == nullptr) return;
  control->text = text;
  if (control->kind != ControlKind::kLabel) return;
  Shown().status = text;
  ShowProgress();
}

// No box is drawn: its first button counts as pressed.
int ShowMessageBox(const Text&, const Text&, uint32_t style) {
  return FirstButtonOf(style);
}

}  // namespace quelb::dialog
