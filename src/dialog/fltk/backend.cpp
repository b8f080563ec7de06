// The dialog layer and message boxes on FLTK in an X window, connected when a display opens.
#include "dialog/backend.h"

#include <FL/x.H>

#include "dialog/fltk/layer.h"

namespace quelb::dialog::fltk {

const LayerBackend* Connect() {
  static const LayerBackend backend{MakeDialog,     AddControl,     ShowModal,     EndDialog,
                                    GetControlText, SetControlText, ShowMessageBox};
  // The toolkit's own opening ends the process when there is no display; this one asks first
  // and hands the toolkit the connection it made.
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  fl_open_display(display);
  return &backend;
}

}  // namespace quelb::dialog::fltk
