#include "dialog/fltk/classic_draw.h"

#include <FL/fl_draw.H>

#include "dialog/fltk/face.h"
#include "dialog/text_wrap.h"

namespace quelb::dialog::fltk {
namespace {

int TextWidth(const std::string& text, size_t start, size_t end) {
  return static_cast<int>(fl_width(text.data() + start, static_cast<int>(end - start)) + 0.5);
}

// The face that stands in for the dialog font is a little wider than it, so a one-line label
// that the original face fits in its box would lose its end to the wrap. Such a label is
// drawn one pixel smaller when that makes it fit.
void ChooseLabelFont(const std::string& text, int width, int height) {
  fl_font(kDialogFont, kDialogFontSize);
  const bool oneLine = height < 2 * fl_height() && text.find_first_of("\r\n") == std::string::npos;
  if (!oneLine || LineWidth(text) <= width) return;
  fl_font(kDialogFont, kDialogFontSize - 1);
  if (LineWidth(text) > width) fl_font(kDialogFont, kDialogFontSize);
}

}  // namespace

int LineWidth(const std::string& line) {
  return TextWidth(line, 0, line.size());
}

void DrawEdge(int x, int y, int width, int height, Fl_Color topLeft, Fl_Color bottomRight) {
  if (width <= 0 || height <= 0) return;
  const int right = x + width - 1;
  const int bottom = y + height - 1;
  fl_color(topLeft);
  fl_xyline(x, y, right);
  fl_yxline(x, y, bottom);
  fl_color(bottomRight);
  fl_xyline(x, bottom, right);
  fl_yxline(right, y, bottom);
}

void DrawSunkenEdge(int x, int y, int width, int height) {
  DrawEdge(x, y, width, height, kShadowColour, kHighlightColour);
  DrawEdge(x + 1, y + 1, width - 2, height - 2, kDarkShadowColour, kFaceColour);
}

void DrawRaisedEdge(int x, int y, int width, int height) {
  DrawEdge(x, y, width, height, kHighlightColour, kDarkShadowColour);
  DrawEdge(x + 1, y + 1, width - 2, height - 2, kFaceColour, kShadowColour);
}

void DrawPressedEdge(int x, int y, int width, int height) {
  DrawEdge(x, y, width, height, kDarkShadowColour, kDarkShadowColour);
  DrawEdge(x + 1, y + 1, width - 2, height - 2, kShadowColour, kShadowColour);
}

void DrawEtchedFrame(int x, int y, int width, int height) {
  // The groove is a shadow frame with a highlight frame one pixel below and right of it.
  fl_color(kShadowColour);
  fl_rect(x, y, width - 1, height - 1);
  fl_color(kHighlightColour);
  fl_rect(x + 1, y + 1, width - 1, height - 1);
}

void DrawFocusFrame(int x, int y, int width, int height) {
  fl_color(kTextColour);
  const int right = x + width - 1;
  const int bottom = y + height - 1;
  for (int i = x; i <= right; i += 2) {
    fl_point(i, y);
    fl_point(i, bottom);
  }
  for (int j = y; j <= bottom; j += 2) {
    fl_point(x, j);
    fl_point(right, j);
  }
}

std::vector<std::string> WrapLines(const std::string& text, int width) {
  return dialog::WrapLines(text, width, TextWidth);
}

void DrawWrappedText(const std::string& text, int x, int y, int width, int height) {
  fl_push_clip(x, y, width, height);
  ChooseLabelFont(text, width, height);
  fl_color(kTextColour);
  const int lineHeight = fl_height();
  int baseline = y + lineHeight - fl_descent();
  for (const std::string& line : WrapLines(text, width)) {
    if (baseline - lineHeight >= y + height) break;
    fl_draw(line.data(), static_cast<int>(line.size()), x, baseline);
    baseline += lineHeight;
  }
  fl_pop_clip();
}

void DrawCaption(const Caption& caption, int x, int y, int width, int height) {
  fl_font(kDialogFont, kDialogFontSize);
  fl_color(kTextColour);
  const std::string& text = caption.text;
  const int textWidth = TextWidth(text, 0, text.size());
  const int left = x + (width - textWidth) / 2;
  const int top = y + (height - fl_height()) / 2;
  const int baseline = top + fl_height() - fl_descent();
  fl_draw(text.data(), static_cast<int>(text.size()), left, baseline);
  if (caption.underlined < 0) return;
  size_t end = caption.underlined + 1;
  while (end < text.size() && IsContinuationByte(text[end])) ++end;
  const int start = left + TextWidth(text, 0, caption.underlined);
  const int stop = left + TextWidth(text, 0, end) - 1;
  fl_xyline(start, baseline + 1, stop);
}

}  // namespace quelb::dialog::fltk
