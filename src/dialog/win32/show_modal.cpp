// Show modal: the callback's two start messages, then the dialog manager's keyboard handling
// in a loop that sleeps 1 ms whenever no message is waiting.
#include "dialog/layer.h"
#include "dialog/win32/dialog_record.h"

namespace quelb::dialog {
namespace {

using win32::LiveWindowOf;

// The controls came after the dialog manager's own start, so it chose no first focus.
void FocusFirstTabStop(HWND window) {
  if (HWND first = GetNextDlgTabItem(window, nullptr, FALSE)) {
    SendMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
  }
}

void RunUntilDestroyed(HWND window, HWND owner) {
  while (IsWindow(window)) {
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (owner != nullptr) {
        SendMessageA(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(window));
      }
      Sleep(1);
      continue;
    }
    if (!IsDialogMessageA(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

}  // namespace

void ShowModal(DialogHandle dialog, DialogCallback callback, int32_t* result) {
  HWND window = LiveWindowOf(dialog);
  if (window == nullptr) return;
  dialog->result = result;
  // The callback gets these two directly, before it is attached: what the controls send
  // meanwhile does not reach it.
  const auto call = [&](uint32_t message, uint32_t wParam, uint32_t lParam) {
    if (callback != nullptr) callback(dialog, message, wParam, lParam);
    return LiveWindowOf(dialog) != nullptr;
  };
  if (!call(WM_INITDIALOG, win32::HandleValue(window), 0)) return;
  RECT client;
  GetClientRect(window, &client);
  const uint32_t clientSize =
      (static_cast<uint32_t>(client.bottom) << 16) | (static_cast<uint32_t>(client.right) & 0xFFFF);
  if (!call(WM_SIZE, SizeTypeOf(dialog->showState), clientSize)) return;
  dialog->callback = callback;
  dialog->modal = true;
  HWND owner = win32::OwnerOf(window);
  if (owner != nullptr) {
    SendMessageA(owner, WM_CANCELMODE, 0, 0);
    EnableWindow(owner, FALSE);
  }
  ShowWindow(window, dialog->showState);
  FocusFirstTabStop(window);
  RunUntilDestroyed(window, owner);
  if (owner != nullptr && IsWindow(owner)) SetFocus(owner);
}

}  // namespace quelb::dialog
