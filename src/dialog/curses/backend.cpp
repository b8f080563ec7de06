#include "dialog/curses/backend.h"

namespace quelb::dialog::curses {

const LayerBackend& Backend() {
  static const LayerBackend backend{CreateDialog,   AddControl,     ShowModal,     EndDialog,
                                    GetControlText, SetControlText, ShowMessageBox};
  return backend;
}

}  // namespace quelb::dialog::curses
