// The dialog layer on the Win32 dialog manager: a modeless dialog from an in-memory template
// without items, controls made one by one in dialog units, and show modal: the callback's two
// start messages, then the dialog manager's keyboard handling in a loop that sleeps 1 ms
// whenever no message is waiting.
#include "dialog/win32/layer.h"

#include "dialog/start_messages.h"
#include "dialog/win32/dialog_record.h"
#include "dialog/win32/dialog_template.h"
#include "services/backend.h"

namespace quelb::dialog::win32 {
namespace {

const char* ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::kTextBox:
      return "EDIT";
    case ControlKind::kButton:
      return "BUTTON";
    case ControlKind::kLabel:
    case ControlKind::kEtchedLine:
      return "STATIC";
  }
  return "STATIC";
}

// The template's size is in dialog units; a dialog measured in pixels takes its size here.
void SizeInPixels(HWND window, bool centred, int x, int y, int width, int height) {
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, GetWindowLongA(window, GWL_STYLE), FALSE,
                     GetWindowLongA(window, GWL_EXSTYLE));
  const int outerWidth = frame.right - frame.left, outerHeight = frame.bottom - frame.top;
  if (centred) {
    x = (GetSystemMetrics(SM_CXSCREEN) - outerWidth) / 2;
    y = (GetSystemMetrics(SM_CYSCREEN) - outerHeight) / 2;
  }
  SetWindowPos(window, nullptr, x, y, outerWidth, outerHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT ToPixels(const Record* dialog, int x, int y, int width, int height) {
  RECT rect{x, y, x + width, y + height};
  if (dialog->unit == Unit::kDialogUnits) MapDialogRect(dialog->window, &rect);
  return rect;
}

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

DialogHandle MakeDialog(Unit unit, DialogHandle owner, const Text& title, int x, int y, int width,
                        int height, uint32_t style, uint32_t exStyle) {
  const bool centred = x == kCentred || y == kCentred;
  const uint32_t effective = EffectiveDialogStyle(style, centred);
  const bool inUnits = unit == Unit::kDialogUnits;
  const bool placed = inUnits && !centred;
  const std::vector<WORD> dialogTemplate =
      DialogTemplate(effective, exStyle, placed ? x : 0, placed ? y : 0, inUnits ? width : 0,
                     inUnits ? height : 0);
  Record* dialog = NewRecord<Record>();
  dialog->unit = unit;
  dialog->showState = ShowStateOf(effective);
  dialog->window = CreateDialogIndirectParamA(
      GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data()),
      LiveWindowOf(owner), LayerProcedure, reinterpret_cast<LPARAM>(dialog));
  if (dialog->window == nullptr) return dialog;
  dialog->handle = HandleValue(dialog->window);
  SetWindowTextA(dialog->window, title.c_str());
  dialog->font = reinterpret_cast<HFONT>(SendMessageA(dialog->window, WM_GETFONT, 0, 0));
  if (!inUnits) SizeInPixels(dialog->window, centred, x, y, width, height);
  return dialog;
}

void AddControl(ControlKind kind, DialogHandle handle, int id, const Text& text, int x, int y,
                int width, int height, uint32_t style, uint32_t exStyle) {
  Record* dialog = RecordOf(handle);
  if (LiveWindowOf(dialog) == nullptr) return;
  ControlStyle effective = EffectiveControlStyle(kind, style, exStyle);
  // A label shows its text as written, as on every backend: an "&" in a path is no mnemonic.
  if (kind == ControlKind::kLabel && style == 0) effective.style |= SS_NOPREFIX;
  const RECT rect = ToPixels(dialog, x, y, width, height);
  HWND control = CreateWindowExA(
      effective.exStyle, ClassOf(kind), text.c_str(), effective.style, rect.left, rect.top,
      rect.right - rect.left, rect.bottom - rect.top, dialog->window,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  if (control == nullptr) return;
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(dialog->font), TRUE);
  if (kind == ControlKind::kButton && (effective.style & 0xF) == BS_DEFPUSHBUTTON) {
    SendMessageA(dialog->window, DM_SETDEFID, static_cast<WPARAM>(id), 0);
  }
}

void ShowModal(DialogHandle handle, DialogCallback callback, int32_t* result) {
  Record* dialog = RecordOf(handle);
  HWND window = LiveWindowOf(dialog);
  if (window == nullptr) return;
  dialog->result = result;
  const auto live = [dialog] { return LiveWindowOf(dialog) != nullptr; };
  const auto clientSize = [window] {
    RECT client;
    GetClientRect(window, &client);
    return ClientSize{client.right, client.bottom};
  };
  if (!SendStartMessages(dialog, callback, dialog->handle, SizeTypeOf(dialog->showState), live,
                         clientSize)) {
    return;
  }
  dialog->callback = callback;
  dialog->modal = true;
  HWND owner = OwnerOf(window);
  if (owner != nullptr) {
    SendMessageA(owner, WM_CANCELMODE, 0, 0);
    EnableWindow(owner, FALSE);
  }
  ShowWindow(window, dialog->showState);
  FocusFirstTabStop(window);
  RunUntilDestroyed(window, owner);
  if (owner != nullptr && IsWindow(owner)) SetFocus(owner);
}

void EndDialog(DialogHandle handle, int32_t result) {
  Record* dialog = RecordOf(handle);
  HWND window = LiveWindowOf(dialog);
  if (window == nullptr || dialog->ending) return;
  dialog->ending = true;
  // The Cancel command that the dialog manager queues in answer is never taken: the window is
  // gone before the loop looks again.
  SendMessageA(window, WM_CLOSE, 0, 0);
  if (HWND owner = OwnerOf(window)) EnableWindow(owner, TRUE);
  if (dialog->result != nullptr) *dialog->result = result;
  DestroyWindow(window);
  dialog->window = nullptr;
}

Text GetControlText(DialogHandle dialog, int id) {
  HWND window = LiveWindowOf(dialog);
  HWND control = window ? GetDlgItem(window, id) : nullptr;
  if (control == nullptr) return Text();
  const int length = GetWindowTextLengthA(control);
  Text text(static_cast<size_t>(length) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(control, text.data(), length + 1)));
  return text;
}

void SetControlText(DialogHandle dialog, int id, const Text& text) {
  HWND window = LiveWindowOf(dialog);
  HWND control = window ? GetDlgItem(window, id) : nullptr;
  if (control == nullptr) return;
  SetWindowTextA(control, text.c_str());
  // The run writes the status line while it takes no messages: the line is painted now, and
  // the system is shown that the thread still looks at its queue.
  UpdateWindow(control);
  platform::LookAtMessageQueue();
}

}  // namespace quelb::dialog::win32
