// The layer's dialog procedure: the callback sees the dialog's messages with the window's own
// values, except the few the layer keeps, and a close command it leaves alone ends the dialog.
#include "dialog/win32/dialog_record.h"
#include "dialog/win32/layer.h"

namespace quelb::dialog::win32 {
namespace {

Record* RecordOfWindow(HWND window) {
  return reinterpret_cast<Record*>(GetWindowLongPtrA(window, DWLP_USER));
}

bool KeptByTheLayer(UINT message) {
  return message == WM_ACTIVATE || message == WM_ACTIVATEAPP || message == WM_NCACTIVATE;
}

}  // namespace

INT_PTR CALLBACK LayerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    // The callback gets its own WM_INITDIALOG from show modal; this one attaches the record.
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    return FALSE;
  }
  Record* dialog = RecordOfWindow(window);
  if (dialog == nullptr || KeptByTheLayer(message)) return FALSE;
  const int32_t handled =
      SendToCallback(dialog, message, static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
  if (handled != 0) return handled;
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) {
    win32::EndDialog(dialog, 0);
    return TRUE;
  }
  return FALSE;
}

}  // namespace quelb::dialog::win32
