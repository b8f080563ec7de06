// The top-level window of a dialog. It does what the dialog manager's keyboard handling does
// (Tab order, Enter, Esc, mnemonics) and turns a close request into WM_SYSCOMMAND.
#pragma once

#include <FL/Fl_Double_Window.H>

#include <string>

#include "dialog/fltk/dialog_record.h"

namespace quelb::dialog::fltk {

class PushButton;

class DialogWindow : public Fl_Double_Window {
 public:
  DialogWindow(Record* dialog, const PixelRect& client, const std::string& title);
  int handle(int event) override;
  void FocusFirstTabStop();

 private:
  bool HandleDialogKey();
  bool OwnsKeyboard() const;
  void MoveFocus(bool backwards);
  int DefaultCommandId() const;
  PushButton* ButtonWithMnemonic(char mnemonic) const;
  static void CloseRequested(Fl_Widget* widget, void* data);

  Record* dialog_;
};

}  // namespace quelb::dialog::fltk
