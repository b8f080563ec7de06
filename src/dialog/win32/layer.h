// The layer's operations as the Win32 backend defines them: the message box in message_box.cpp,
// the others in layer.cpp. Each is declared by the type of the layer's own, so that the
// signatures are written once, in dialog/layer.h.
#pragma once

#include "dialog/message_box.h"
#include "dialog/win32/windows_api.h"

namespace quelb::dialog::win32 {

decltype(dialog::MakeDialog) MakeDialog;
decltype(dialog::AddControl) AddControl;
decltype(dialog::ShowModal) ShowModal;
decltype(dialog::EndDialog) EndDialog;
decltype(dialog::GetControlText) GetControlText;
decltype(dialog::SetControlText) SetControlText;
decltype(dialog::ShowMessageBox) ShowMessageBox;

}  // namespace quelb::dialog::win32
