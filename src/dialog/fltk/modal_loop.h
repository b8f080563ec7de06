// The modal loop that dialogs and message boxes share.
#pragma once

#include "dialog/fltk/dialog_record.h"

namespace quelb::dialog::fltk {

// Takes the waiting events one at a time until the dialog's window no longer exists; when
// none is waiting it sleeps 1 ms and looks again. The dialog takes the keyboard focus as soon
// as its window can have it.
void RunUntilEnded(const Record* dialog);

}  // namespace quelb::dialog::fltk
