#include "dialog/fltk/face.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <cstdint>

namespace quelb::dialog::fltk {

void PrepareToolkit() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  fl_open_display();
  Fl::scheme("none");
  Fl::set_font(kDialogFont, "Liberation Sans");
  uchar red, green, blue;
  Fl::get_color(kFaceColour, red, green, blue);
  Fl::background(red, green, blue);
  Fl::foreground(0, 0, 0);
  Fl::background2(255, 255, 255);
  Fl::visible_focus(1);
}

BaseUnits DialogBaseUnits() {
  PrepareToolkit();
  static const BaseUnits units = [] {
    fl_font(kDialogFont, kDialogFontSize);
    const double alphabet = fl_width("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    // The average over the 52 letters, rounded as the dialog manager rounds it.
    const int width = (static_cast<int>(alphabet) / 26 + 1) / 2;
    return BaseUnits{width, fl_height()};
  }();
  return units;
}

int MulDiv(int a, int b, int c) {
  const int64_t product = static_cast<int64_t>(a) * b;
  const int64_t half = c / 2;
  return static_cast<int>((product >= 0 ? product + half : product - half) / c);
}

PixelRect MapDialogRect(const BaseUnits& units, int x, int y, int width, int height) {
  const int left = MulDiv(x, units.width, 4);
  const int top = MulDiv(y, units.height, 8);
  const int right = MulDiv(x + width, units.width, 4);
  const int bottom = MulDiv(y + height, units.height, 8);
  return PixelRect{left, top, right - left, bottom - top};
}

}  // namespace quelb::dialog::fltk
