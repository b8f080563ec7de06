// The classic look shared by the dialogs and the message boxes: the font, the colours and
// the conversion from dialog units to pixels.
#pragma once

#include <FL/Enumerations.H>

namespace quelb::dialog::fltk {

// The nearest face to the original 8-point sans serif; at 11 px it has its 6 x 13 base units.
inline constexpr Fl_Font kDialogFont = FL_FREE_FONT;
inline constexpr Fl_Fontsize kDialogFontSize = 11;

inline constexpr Fl_Color kFaceColour = 0xd4d0c800;
inline constexpr Fl_Color kHighlightColour = 0xffffff00;
inline constexpr Fl_Color kShadowColour = 0x80808000;
inline constexpr Fl_Color kDarkShadowColour = 0x40404000;
inline constexpr Fl_Color kWindowColour = 0xffffff00;
inline constexpr Fl_Color kTextColour = 0x00000000;
inline constexpr Fl_Color kSelectionColour = 0x0a246a00;

struct BaseUnits {
  int width;
  int height;
  bool operator==(const BaseUnits&) const = default;
};

// The base units of the face the system depends on. A dialog is laid out with them before the
// font is opened, so that its window maps without waiting for the font configuration to load;
// a face that measures otherwise lays it out again once it is mapped.
inline constexpr BaseUnits kExpectedBaseUnits{6, 13};

struct PixelRect {
  int x, y, width, height;
};

// Opens the display and sets up the font and colours once per process.
void PrepareToolkit();

// The average character width and the character height of the dialog font, as the
// platform's dialog manager measures them.
BaseUnits DialogBaseUnits();

// Rounds a * b / c to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c);

// Converts a rectangle in dialog units through its corners, so that neighbours meet exactly.
PixelRect MapDialogRect(const BaseUnits& units, int x, int y, int width, int height);

}  // namespace quelb::dialog::fltk
