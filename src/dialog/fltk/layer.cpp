// The dialog layer on FLTK: dialog units from the font's base units, the four control kinds
// in the classic look, and the dialog manager's modal loop and keyboard handling.
#include "dialog/fltk/layer.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <algorithm>

#include "dialog/fltk/controls.h"
#include "dialog/fltk/dialog_window.h"
#include "dialog/fltk/modal_loop.h"
#include "dialog/fltk/x11_window.h"
#include "dialog/start_messages.h"

namespace quelb::dialog::fltk {
namespace {

PixelRect ToPixels(const Record* dialog, const UnitRect& r) {
  if (dialog->unit == Unit::kPixels) return PixelRect{r.x, r.y, r.width, r.height};
  return MapDialogRect(dialog->units, r.x, r.y, r.width, r.height);
}

void CentreOnScreen(PixelRect& rect) {
  int screenX, screenY, screenWidth, screenHeight;
  Fl::screen_xywh(screenX, screenY, screenWidth, screenHeight, 0);
  rect.x = screenX + (screenWidth - rect.width) / 2;
  rect.y = screenY + (screenHeight - rect.height) / 2;
}

PixelRect ClientRect(const Record* dialog) {
  const UnitRect& place = dialog->place;
  PixelRect client =
      ToPixels(dialog, UnitRect{dialog->centred ? 0 : place.x, dialog->centred ? 0 : place.y,
                                place.width, place.height});
  if (dialog->centred) CentreOnScreen(client);
  return client;
}

// The groove of an etched line is two pixels deep even where the rectangle is one pixel high.
PixelRect ControlRect(const Record* dialog, ControlKind kind, const UnitRect& place) {
  PixelRect rect = ToPixels(dialog, place);
  if (kind == ControlKind::kEtchedLine) rect.height = std::max(rect.height, 2);
  return rect;
}

// Lays the dialog out again when its font measures otherwise than the face it was laid out
// for; with that face, nothing moves.
void MatchMeasuredUnits(Record* dialog) {
  if (dialog->unit == Unit::kPixels) return;
  const BaseUnits measured = DialogBaseUnits();
  if (measured == dialog->units) return;
  dialog->units = measured;
  const PixelRect client = ClientRect(dialog);
  dialog->window->resize(client.x, client.y, client.width, client.height);
  for (const ControlEntry& control : dialog->controls) {
    const PixelRect r = ControlRect(dialog, control.kind, control.place);
    control.widget->resize(r.x, r.y, r.width, r.height);
  }
  dialog->window->redraw();
}

Fl_Widget* MakeControl(ControlKind kind, Record* dialog, int id, const Text& text,
                       const PixelRect& r, const ControlStyle& style) {
  switch (kind) {
    case ControlKind::kLabel:
      return new Label(r.x, r.y, r.width, r.height, text);
    case ControlKind::kTextBox:
      return new TextBox(dialog, id, r.x, r.y, r.width, r.height, text,
                         style.exStyle & WS_EX_CLIENTEDGE, style.style & WS_BORDER);
    case ControlKind::kEtchedLine:
      return new EtchedLine(r.x, r.y, r.width, r.height);
    case ControlKind::kButton:
      return new PushButton(dialog, id, r.x, r.y, r.width, r.height, text,
                            (style.style & 0xF) == BS_DEFPUSHBUTTON);
  }
  return nullptr;
}

Fl_Window* LiveWindowOf(Record* dialog) {
  return dialog ? dialog->window : nullptr;
}

}  // namespace

DialogHandle MakeDialog(Unit unit, DialogHandle owner, const Text& title, int x, int y, int width,
                        int height, uint32_t style, uint32_t /*exStyle*/) {
  PrepareToolkit();
  const bool centred = x == kCentred || y == kCentred;
  const uint32_t effective = EffectiveDialogStyle(style, centred);
  Record* dialog = NewRecord<Record>();
  dialog->unit = unit;
  dialog->units = kExpectedBaseUnits;
  dialog->place = UnitRect{x, y, width, height};
  dialog->centred = centred;
  dialog->owner = RecordOf(owner);
  dialog->showState = ShowStateOf(effective);
  dialog->closeBox = effective & WS_SYSMENU;
  const PixelRect client = ClientRect(dialog);
  Fl_Group::current(nullptr);
  dialog->window = new DialogWindow(dialog, client, title);
  dialog->window->end();
  if (!(effective & WS_CAPTION)) dialog->window->border(0);
  return dialog;
}

void AddControl(ControlKind kind, DialogHandle handle, int id, const Text& text, int x, int y,
                int width, int height, uint32_t style, uint32_t exStyle) {
  Record* dialog = RecordOf(handle);
  if (LiveWindowOf(dialog) == nullptr) return;
  const ControlStyle effective = EffectiveControlStyle(kind, style, exStyle);
  const UnitRect place{x, y, width, height};
  dialog->window->begin();
  Fl_Widget* widget =
      MakeControl(kind, dialog, id, text, ControlRect(dialog, kind, place), effective);
  dialog->window->end();
  dialog->controls.push_back(ControlEntry{kind, id, NextHandle(), effective.style, widget, place});
  widget->redraw();
}

void ShowModal(DialogHandle handle, DialogCallback callback, int32_t* result) {
  Record* dialog = RecordOf(handle);
  if (LiveWindowOf(dialog) == nullptr) return;
  dialog->result = result;
  const auto live = [dialog] { return LiveWindowOf(dialog) != nullptr; };
  const auto clientSize = [dialog] { return ClientSize{dialog->window->w(), dialog->window->h()}; };
  if (!SendStartMessages(dialog, callback, dialog->handle, SizeTypeOf(dialog->showState), live,
                         clientSize)) {
    return;
  }
  dialog->callback = callback;
  if (Fl_Window* owner = LiveWindowOf(dialog->owner)) owner->deactivate();
  if (dialog->taskModal) dialog->window->set_modal();
  dialog->window->show();
  // A window manager reads the frame hints when the window is mapped, so they go with the
  // map request. That request would otherwise wait in the output buffer until the first
  // paint, with every label's glyphs, is done.
  SetFrameFunctions(dialog->window, dialog->closeBox);
  XFlush(fl_display);
  MatchMeasuredUnits(dialog);
  dialog->window->FocusFirstTabStop();
  RunUntilEnded(dialog);
  if (Fl_Window* owner = LiveWindowOf(dialog->owner)) owner->take_focus();
  Fl::flush();
}

void EndDialog(DialogHandle handle, int32_t result) {
  Record* dialog = RecordOf(handle);
  if (LiveWindowOf(dialog) == nullptr || dialog->ending) return;
  dialog->ending = true;
  SendToCallback(dialog, WM_CLOSE, 0, 0);
  if (Fl_Window* owner = LiveWindowOf(dialog->owner)) owner->activate();
  if (dialog->result != nullptr) *dialog->result = result;
  // The window may be in the middle of handling the event that led here, so FLTK deletes it
  // once that handling is over.
  DialogWindow* window = dialog->window;
  dialog->window = nullptr;
  dialog->controls.clear();
  window->hide();
  Fl::delete_widget(window);
}

Text GetControlText(DialogHandle dialog, int id) {
  const ControlEntry* control = FindControl(RecordOf(dialog), id);
  if (control == nullptr) return Text();
  switch (control->kind) {
    case ControlKind::kTextBox:
      return static_cast<TextBox*>(control->widget)->Text();
    case ControlKind::kButton:
      return static_cast<PushButton*>(control->widget)->Label();
    case ControlKind::kLabel:
      return static_cast<Label*>(control->widget)->Text();
    case ControlKind::kEtchedLine:
      return Text();
  }
  return Text();
}

void SetControlText(DialogHandle dialog, int id, const Text& text) {
  const ControlEntry* control = FindControl(RecordOf(dialog), id);
  if (control == nullptr) return;
  switch (control->kind) {
    case ControlKind::kTextBox:
      static_cast<TextBox*>(control->widget)->SetText(text);
      break;
    case ControlKind::kButton:
      static_cast<PushButton*>(control->widget)->SetLabel(text);
      break;
    case ControlKind::kLabel:
      static_cast<Label*>(control->widget)->SetText(text);
      break;
    case ControlKind::kEtchedLine:
      return;
  }
  // The run writes while it works and takes no events then: paint at once.
  Fl::flush();
}

}  // namespace quelb::dialog::fltk
