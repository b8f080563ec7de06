#include "dialog/box_buttons.h"

#include <algorithm>

#include "services/message.h"

namespace quelb::dialog {

std::vector<BoxButton> BoxButtonsOf(uint32_t style) {
  switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{IDOK, "&OK"}, {IDCANCEL, "&Cancel"}};
    case MB_ABORTRETRYIGNORE:
      return {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}};
    case MB_YESNOCANCEL:
      return {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "&Cancel"}};
    case MB_YESNO:
      return {{IDYES, "&Yes"}, {IDNO, "&No"}};
    case MB_RETRYCANCEL:
      return {{IDRETRY, "&Retry"}, {IDCANCEL, "&Cancel"}};
    default:
      return {{IDOK, "&OK"}};
  }
}

int EscapeAnswerOf(const std::vector<int>& buttonIds) {
  if (std::find(buttonIds.begin(), buttonIds.end(), IDCANCEL) != buttonIds.end()) return IDCANCEL;
  return buttonIds.size() == 1 && buttonIds.front() == IDOK ? IDOK : 0;
}

}  // namespace quelb::dialog
