// The two messages that show modal sends a dialog's callback itself, before attaching it, in
// every backend: WM_INITDIALOG with the dialog's window handle, then WM_SIZE with its size
// type and client size. What the controls send meanwhile does not reach the callback.
#pragma once

#include <cstdint>
#include <functional>

#include "dialog/layer.h"

namespace quelb::dialog {

struct ClientSize {
  int width;
  int height;
};

// False when the callback ended the dialog during either message (live then says no), and
// show modal returns at once. The client size is asked after WM_INITDIALOG, which may change it.
bool SendStartMessages(DialogHandle dialog, DialogCallback callback, uint32_t windowHandle,
                       uint32_t sizeType, const std::function<bool()>& live,
                       const std::function<ClientSize()>& clientSize);

}  // namespace quelb::dialog
