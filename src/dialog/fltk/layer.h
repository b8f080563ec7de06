// The layer's operations as the FLTK backend defines them: the message box in message_box.cpp,
// the others in layer.cpp. Each is declared by the type of the layer's own, so that the
// signatures are written once, in dialog/layer.h.
#pragma once

#include "dialog/layer.h"
#include "dialog/message_box.h"

namespace quelb::dialog::fltk {

decltype(dialog::MakeDialog) MakeDialog;
decltype(dialog::AddControl) AddControl;
decltype(dialog::ShowModal) ShowModal;
decltype(dialog::EndDialog) EndDialog;
decltype(dialog::GetControlText) GetControlText;
decltype(dialog::SetControlText) SetControlText;
decltype(dialog::ShowMessageBox) ShowMessageBox;

}  // namespace quelb::dialog::fltk
