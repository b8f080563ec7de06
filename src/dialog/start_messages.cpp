#include "dialog/start_messages.h"

namespace quelb::dialog {

bool SendStartMessages(DialogHandle dialog, DialogCallback callback, uint32_t windowHandle,
                       uint32_t sizeType, const std::function<bool()>& live,
                       const std::function<ClientSize()>& clientSize) {
  const auto send = [&](uint32_t message, uint32_t wParam, uint32_t lParam) {
    if (callback != nullptr) callback(dialog, message, wParam, lParam);
    return live();
  };
  if (!send(WM_INITDIALOG, windowHandle, 0)) return false;
  const ClientSize size = clientSize();
  const uint32_t packed =
      (static_cast<uint32_t>(size.height) << 16) | (static_cast<uint32_t>(size.width) & 0xFFFF);
  return send(WM_SIZE, sizeType, packed);
}

}  // namespace quelb::dialog
