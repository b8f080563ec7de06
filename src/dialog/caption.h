// Button captions: "&" marks the next character as the mnemonic and "&&" stands for "&".
#pragma once

#include <string>

namespace quelb::dialog {

struct Caption {
  std::string text;
  int underlined = -1;  // byte position in text, -1 when there is no mnemonic
  char mnemonic = 0;    // lower case, 0 when there is none
};

Caption ParseCaption(const std::string& label);

}  // namespace quelb::dialog
