// Drawing in the classic look: 3-D edges, the dotted focus frame, wrapped text and button
// captions with an underlined mnemonic. Everything draws in the current FLTK context.
#pragma once

#include <FL/Enumerations.H>

#include <string>
#include <vector>

#include "dialog/caption.h"

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

// The lines that the text takes in the current font at the given width (see WrapLines of
// dialog/text_wrap.h).
std::vector<std::string> WrapLines(const std::string& text, int width);

// Draws wrapped text from the top left corner of the rectangle, clipped to it.
void DrawWrappedText(const std::string& text, int x, int y, int width, int height);

// Draws the caption centred in the rectangle with its mnemonic underlined.
void DrawCaption(const Caption& caption, int x, int y, int width, int height);

}  // namespace quelb::dialog::fltk
