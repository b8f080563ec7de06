// Drawing in the classic look: 3-D edges, the dotted focus frame, wrapped text and button
// captions with an underlined mnemonic. Everything draws in the current FLTK context.
#pragma once

#include <FL/Enumerations.H>

#include <string>
#include <vector>

namespace quelb::dialog::fltk {

// A one-pixel frame, its top and left side in one colour and its bottom and right in another.
void DrawEdge(int x, int y, int width, int height, Fl_Color topLeft, Fl_Color bottomRight);
void DrawSunkenEdge(int x, int y, int width, int height);
void DrawRaisedEdge(int x, int y, int width, int height);
void DrawPressedEdge(int x, int y, int width, int height);
void DrawEtchedFrame(int x, int y, int width, int height);
void DrawFocusFrame(int x, int y, int width, int height);

// The width of one line of text in the current font.
int LineWidth(const std::string& line);

// The lines that the text takes in the current font at the given width: CR LF, LF or CR end
// a line, and a line that is too wide breaks at its last blank that fits (inside a word only
// when the word alone is too wide).
std::vector<std::string> WrapLines(const std::string& text, int width);

// Draws wrapped text from the top left corner of the rectangle, clipped to it.
void DrawWrappedText(const std::string& text, int x, int y, int width, int height);

// A caption in which "&" marks the next character as the mnemonic and "&&" stands for "&".
struct Caption {
  std::string text;
  int underlined = -1;  // byte position in text, -1 when there is no mnemonic
  char mnemonic = 0;    // lower case, 0 when there is none
};
Caption ParseCaption(const std::string& label);

// Draws the caption centred in the rectangle with its mnemonic underlined.
void DrawCaption(const Caption& caption, int x, int y, int width, int height);

}  // namespace quelb::dialog::fltk
