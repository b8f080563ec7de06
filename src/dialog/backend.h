// A dialog backend as one table of the layer's operations, for builds that carry more than
// one backend and choose among them when the program starts.
#pragma once

#include <cstdint>

#include "dialog/layer.h"
#include "services/text.h"

namespace quelb::dialog {

struct LayerBackend {
  DialogHandle (*createDialog)(Unit unit, DialogHandle owner, const Text& title, int x, int y,
                               int width, int height, uint32_t style, uint32_t exStyle);
  void (*addControl)(ControlKind kind, DialogHandle dialog, int id, const Text& text, int x, int y,
                     int width, int height, uint32_t style, uint32_t exStyle);
  void (*showModal)(DialogHandle dialog, DialogCallback callback, int32_t* result);
  void (*endDialog)(DialogHandle dialog, int32_t result);
  Text (*getControlText)(DialogHandle dialog, int id);
  void (*setControlText)(DialogHandle dialog, int id, const Text& text);
  int (*showMessageBox)(const Text& text, const Text& title, uint32_t style);
};

}  // namespace quelb::dialog
