// A dialog backend as one table of the layer's operations, and the connect function of each
// backend, which is all that a backend exposes. The build carries one or more backends and
// connects to the first that can show something when the program starts.
#pragma once

#include "dialog/layer.h"
#include "dialog/message_box.h"

namespace quelb::dialog {

// The fields take their types from the layer's own declarations, which they stand for.
struct LayerBackend {
  decltype(&dialog::MakeDialog) makeDialog;
  decltype(&dialog::AddControl) addControl;
  decltype(&dialog::ShowModal) showModal;
  decltype(&dialog::EndDialog) endDialog;
  decltype(&dialog::GetControlText) getControlText;
  decltype(&dialog::SetControlText) setControlText;
  decltype(&dialog::ShowMessageBox) showMessageBox;
};

// Each returns its backend's table once the backend is ready to show dialogs, and null when
// it has nowhere to show them. Nothing is shown and no file is touched either way.
namespace fltk {
const LayerBackend* Connect();  // the window, when an X display opens
}
namespace curses {
const LayerBackend* Connect();  // the terminal, when standard input and output are one
}
namespace win32 {
const LayerBackend* Connect();  // the dialog manager, always there
}

}  // namespace quelb::dialog
