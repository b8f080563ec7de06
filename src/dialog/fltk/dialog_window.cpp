#include "dialog/fltk/dialog_window.h"

#include <FL/Fl.H>

#include <cctype>
#include <vector>

#include "dialog/fltk/controls.h"
#include "dialog/fltk/layer.h"
#include "services/message.h"

namespace quelb::dialog::fltk {
namespace {

constexpr int kModifiers = FL_ALT | FL_CTRL | FL_META;

bool IsTabStop(const ControlEntry& control) {
  return (control.style & WS_TABSTOP) && control.widget->visible() && control.widget->active();
}

}  // namespace

DialogWindow::DialogWindow(Record* dialog, const PixelRect& client, const std::string& title)
    : Fl_Double_Window(client.x, client.y, client.width, client.height), dialog_(dialog) {
  copy_label(title.c_str());
  color(kFaceColour);
  size_range(client.width, client.height, client.width, client.height);
  callback(CloseRequested, dialog);
}

int DialogWindow::handle(int event) {
  if ((event == FL_KEYBOARD || event == FL_SHORTCUT) && HandleDialogKey()) return 1;
  return Fl_Double_Window::handle(event);
}

void DialogWindow::FocusFirstTabStop() {
  for (const ControlEntry& control : dialog_->controls) {
    if (!IsTabStop(control)) continue;
    control.widget->take_focus();
    if (control.kind == ControlKind::kTextBox) static_cast<TextBox*>(control.widget)->SelectAll();
    return;
  }
}

// Keys reach this window also while another window holds the focus or is modal; those keys
// are not the dialog's.
bool DialogWindow::OwnsKeyboard() const {
  if (Fl::modal() != nullptr && Fl::modal() != this) return false;
  const Fl_Widget* focus = Fl::focus();
  return focus == nullptr || focus == this || focus->window() == this;
}

// Nothing here may touch the window after a command is sent: the callback may have ended the
// dialog.
bool DialogWindow::HandleDialogKey() {
  if (!OwnsKeyboard()) return false;
  const int key = Fl::event_key();
  const int state = Fl::event_state();
  if (key == FL_Tab && !(state & kModifiers)) {
    MoveFocus(state & FL_SHIFT);
    return true;
  }
  if (key == FL_Enter || key == FL_KP_Enter) {
    SendCommand(dialog_, DefaultCommandId(), BN_CLICKED);
    return true;
  }
  if (key == FL_Escape) {
    SendCommand(dialog_, IDCANCEL, BN_CLICKED);
    return true;
  }
  // A letter alone reaches the window only when the focused control does not take text, and
  // then it is a mnemonic as it is with Alt.
  if (key < 128 && std::isalnum(key) && !(state & (FL_CTRL | FL_META))) {
    PushButton* button = ButtonWithMnemonic(static_cast<char>(std::tolower(key)));
    if (button == nullptr) return false;
    button->Press();
    return true;
  }
  return false;
}

void DialogWindow::MoveFocus(bool backwards) {
  std::vector<Fl_Widget*> stops;
  for (const ControlEntry& control : dialog_->controls) {
    if (IsTabStop(control)) stops.push_back(control.widget);
  }
  if (stops.empty()) return;
  const size_t count = stops.size();
  size_t next = backwards ? count - 1 : 0;
  for (size_t i = 0; i < count; ++i) {
    if (stops[i] == Fl::focus()) next = backwards ? (i + count - 1) % count : (i + 1) % count;
  }
  stops[next]->take_focus();
}

int DialogWindow::DefaultCommandId() const {
  for (const ControlEntry& control : dialog_->controls) {
    if (control.kind == ControlKind::kButton &&
        static_cast<const PushButton*>(control.widget)->IsDefault()) {
      return control.id;
    }
  }
  return IDOK;
}

PushButton* DialogWindow::ButtonWithMnemonic(char mnemonic) const {
  for (const ControlEntry& control : dialog_->controls) {
    if (control.kind != ControlKind::kButton || !control.widget->active()) continue;
    auto* button = static_cast<PushButton*>(control.widget);
    if (button->Mnemonic() == mnemonic) return button;
  }
  return nullptr;
}

void DialogWindow::CloseRequested(Fl_Widget*, void* data) {
  auto* dialog = static_cast<Record*>(data);
  if (SendToCallback(dialog, WM_SYSCOMMAND, SC_CLOSE, 0) == 0) fltk::EndDialog(dialog, 0);
}

}  // namespace quelb::dialog::fltk
