// The message boxes, built through the layer in cells: a question mark where the style asks
// for the icon, the text, and a centred row of buttons of which the first is the default.
#include <curses.h>

#include <algorithm>
#include <vector>

#include "dialog/box_buttons.h"
#include "dialog/curses/dialog_record.h"
#include "dialog/curses/edit_box.h"
#include "dialog/curses/layer.h"
#include "dialog/curses/screen.h"
#include "dialog/text_wrap.h"
#include "services/message.h"

namespace quelb::dialog::curses {
namespace {

constexpr int kTextId = 0xFFFF;
constexpr int kMargin = 2;
constexpr int kIconWidth = 3;
constexpr int kIconGap = 2;
constexpr int kButtonWidth = 10;
constexpr int kButtonGap = 2;
constexpr int kMaxTextWidth = 60;

int TextLeft(bool icon) {
  return icon ? kMargin + kIconWidth + kIconGap : kMargin;
}

int32_t BoxProcedure(DialogHandle handle, uint32_t message, uint32_t wParam, uint32_t) {
  Record* box = LiveRecord(handle);
  if (message != WM_COMMAND || box == nullptr) return 0;
  int id = static_cast<int>(wParam & 0xFFFF);
  if (id == IDCANCEL) id = EscapeAnswerAmong(box->controls);
  if (FindControl(box, id) != nullptr) curses::EndDialog(handle, id);
  return 1;
}

struct Layout {
  int width, height;
  CellRect text;
  int buttonsLeft, buttonsRow;
};

// Above and below the text: the frame, a blank row, and the buttons with a blank row under
// them.
constexpr int kRowsAroundText = 6;

// The lines of the text as the terminal holds them with the buttons: a text too long for its
// rows is cut, so that the box can always be answered.
std::vector<std::string> TextLines(const Text& text, int textLeft) {
  const int width = std::max(1, std::min(kMaxTextWidth, COLS - 2 - textLeft - kMargin));
  return CutToRows(WrapLines(text, width, CellsOf), LINES - kRowsAroundText, width, CellsOf);
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += (i == 0 ? "" : "\n") + lines[i];
  return text;
}

Layout LayOut(const std::vector<std::string>& lines, const Text& title, bool icon,
              size_t buttonCount) {
  int textWidth = 1;
  for (const std::string& line : lines)
    textWidth = std::max(textWidth, CellsOf(line, 0, line.size()));
  const int textHeight = std::max(static_cast<int>(lines.size()), 1);
  Layout layout{};
  const int textLeft = TextLeft(icon);
  layout.text = {textLeft, 1, textWidth, textHeight};
  const int count = static_cast<int>(buttonCount);
  const int rowWidth = count * kButtonWidth + (count - 1) * kButtonGap;
  // A title too long for the terminal is cut on the frame.
  const int titleWidth = std::min(CellsOf(title, 0, title.size()) + 2, COLS - 4);
  layout.width = std::max({textLeft + textWidth + kMargin, rowWidth + 2 * kMargin, titleWidth + 2});
  layout.buttonsLeft = (layout.width - rowWidth) / 2;
  layout.buttonsRow = layout.text.row + textHeight + 1;
  layout.height = layout.buttonsRow + 2;
  return layout;
}

}  // namespace

int ShowMessageBox(const Text& text, const Text& title, uint32_t style) {
  const std::vector<BoxButton> buttons = BoxButtonsOf(style);
  const bool icon = (style & MB_ICONQUESTION) != 0;
  // The terminal is taken before the box is laid out to its size.
  StartScreen();
  const std::vector<std::string> lines = TextLines(text, TextLeft(icon));
  const Layout layout = LayOut(lines, title, icon, buttons.size());
  const DialogHandle box = curses::MakeDialog(Unit::kPixels, nullptr, title, kCentred, kCentred,
                                              layout.width, layout.height, 0, 0);
  if (icon)
    curses::AddControl(ControlKind::kLabel, box, -1, "(?)", kMargin, 1, kIconWidth, 1, 0, 0);
  curses::AddControl(ControlKind::kLabel, box, kTextId, Joined(lines), layout.text.col,
                     layout.text.row, layout.text.width, layout.text.height, 0, 0);
  int left = layout.buttonsLeft;
  for (size_t i = 0; i < buttons.size(); ++i) {
    const uint32_t buttonStyle = WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    curses::AddControl(ControlKind::kButton, box, buttons[i].id, buttons[i].caption, left,
                       layout.buttonsRow, kButtonWidth, 1, buttonStyle, 0);
    left += kButtonWidth + kButtonGap;
  }
  int32_t answer = 0;
  curses::ShowModal(box, BoxProcedure, &answer);
  return answer;
}

}  // namespace quelb::dialog::curses
