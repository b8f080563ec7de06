#include "dialog/caption.h"

#include <cctype>

namespace quelb::dialog {

Caption ParseCaption(const std::string& label) {
  Caption caption;
  for (size_t i = 0; i < label.size(); ++i) {
    if (label[i] == '&' && i + 1 < label.size()) {
      ++i;
      if (label[i] != '&' && caption.underlined < 0) {
        caption.underlined = static_cast<int>(caption.text.size());
        caption.mnemonic = static_cast<char>(std::tolower(static_cast<unsigned char>(label[i])));
      }
    }
    caption.text += label[i];
  }
  return caption;
}

}  // namespace quelb::dialog
