// The dialog layer and message boxes on the Win32 dialog manager, which Windows always has:
// there is nothing to open.
#include "dialog/backend.h"

#include "dialog/win32/layer.h"

namespace quelb::dialog::win32 {

const LayerBackend* Connect() {
  static const LayerBackend backend{MakeDialog,     AddControl,     ShowModal,     EndDialog,
                                    GetControlText, SetControlText, ShowMessageBox};
  return &backend;
}

}  // namespace quelb::dialog::win32
