// The in-memory extended dialog template from which every dialog of the layer is created.
#pragma once

#include <cstdint>
#include <vector>

#include "dialog/win32/windows_api.h"

namespace quelb::dialog::win32 {

// A template without items, menu or class, titled with one blank, in 8-point MS Sans Serif.
// The words are in the order the dialog manager reads them; the vector's storage is aligned
// as the template must be.
std::vector<WORD> DialogTemplate(uint32_t style, uint32_t exStyle, int x, int y, int width,
                                 int height);

}  // namespace quelb::dialog::win32
