#include "dialog/fltk/backend.h"

#include <FL/x.H>

namespace quelb::dialog::fltk {

bool OpenDisplay() {
  // The toolkit's own opening ends the process when there is no display; this one asks first
  // and hands the toolkit the connection it made.
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  fl_open_display(display);
  return true;
}

const LayerBackend& Backend() {
  static const LayerBackend backend{CreateDialog,   AddControl,     ShowModal,     EndDialog,
                                    GetControlText, SetControlText, ShowMessageBox};
  return backend;
}

}  // namespace quelb::dialog::fltk
