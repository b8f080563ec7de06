// The buttons of the message boxes, the same in every backend that draws its own boxes.
#pragma once

#include <cstdint>
#include <vector>

#include "dialog/layer.h"

namespace quelb::dialog {

struct BoxButton {
  int id;
  const char* caption;
};

// The buttons of the style's type, in their order from left to right; the first is the default.
std::vector<BoxButton> BoxButtonsOf(uint32_t style);

// What Esc and a close request answer in a box with these buttons: Cancel where there is one,
// OK in a box with OK alone, and nothing (0) otherwise.
int EscapeAnswerOf(const std::vector<int>& buttonIds);

// The same for a box's controls, of whichever backend.
template <class Control>
int EscapeAnswerAmong(const std::vector<Control>& controls) {
  std::vector<int> buttonIds;
  for (const Control& control : controls) {
    if (control.kind == ControlKind::kButton) buttonIds.push_back(control.id);
  }
  return EscapeAnswerOf(buttonIds);
}

}  // namespace quelb::dialog
