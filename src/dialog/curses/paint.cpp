#include "dialog/curses/paint.h"

#include <curses.h>
#include <langinfo.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "dialog/text_wrap.h"

namespace quelb::dialog::curses {
namespace {

struct Origin {
  int col, row;  // the top left cell of the client area
};

Origin OriginOf(const Record& record) {
  if (record.client.col >= 0) return Origin{record.client.col + 1, record.client.row + 1};
  return Origin{(COLS - record.client.width) / 2, (LINES - record.client.height) / 2};
}

bool Overlaps(const CellRect& a, const CellRect& b) {
  return a.col < b.col + b.width && b.col < a.col + a.width && a.row < b.row + b.height &&
         b.row < a.row + a.height;
}

bool FreeOfOthers(const Record& record, const Control& self, const CellRect& cells) {
  return std::none_of(record.controls.begin(), record.controls.end(), [&](const Control& other) {
    return &other != &self && Overlaps(other.rect, cells);
  });
}

std::vector<std::string> Wrap(const std::string& text, int width) {
  return WrapLines(text, std::max(width, 1), CellsOf);
}

bool Utf8Terminal() {
  static const bool utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
  return utf8;
}

// Control characters become "?", and so does each character that the terminal's character
// set cannot show, whatever the number of its bytes.
std::string Printable(const std::string& text) {
  std::string shown;
  for (const char byte : text) {
    const auto value = static_cast<unsigned char>(byte);
    if (value >= 0x80 && !Utf8Terminal()) {
      if (!IsContinuationByte(byte)) shown += '?';
    } else {
      shown += value < 0x20 || value == 0x7F ? '?' : byte;
    }
  }
  return shown;
}

std::string CutToCells(const std::string& text, int cells) {
  size_t end = 0;
  for (int taken = 0; end < text.size(); ++end) {
    if (!IsContinuationByte(text[end]) && taken++ == cells) break;
  }
  return text.substr(0, end);
}

void Put(int row, int col, const std::string& text, attr_t attributes = A_NORMAL) {
  const std::string shown = Printable(text);
  wattrset(stdscr, attributes);
  mvwaddnstr(stdscr, row, col, shown.data(), static_cast<int>(shown.size()));
  wattrset(stdscr, A_NORMAL);
}

void PaintFrame(const Record& record, const Origin& at) {
  const int width = record.client.width, height = record.client.height;
  const int left = at.col - 1, top = at.row - 1;
  for (int row = 0; row < height; ++row) mvwhline(stdscr, at.row + row, at.col, ' ', width);
  mvwaddch(stdscr, top, left, ACS_ULCORNER);
  mvwhline(stdscr, top, at.col, ACS_HLINE, width);
  mvwaddch(stdscr, top, at.col + width, ACS_URCORNER);
  mvwvline(stdscr, at.row, left, ACS_VLINE, height);
  mvwvline(stdscr, at.row, at.col + width, ACS_VLINE, height);
  mvwaddch(stdscr, at.row + height, left, ACS_LLCORNER);
  mvwhline(stdscr, at.row + height, at.col, ACS_HLINE, width);
  mvwaddch(stdscr, at.row + height, at.col + width, ACS_LRCORNER);
  if (record.title.empty() || width < 4) return;
  Put(top, at.col + 1, CutToCells(" " + record.title + " ", width - 2));
}

void PaintLabel(const Record& record, const Control& label, const Origin& at) {
  const LabelLayout layout = LayOutLabel(record, label);
  for (size_t i = 0; i < layout.lines.size(); ++i) {
    Put(at.row + layout.area.row + static_cast<int>(i), at.col + layout.area.col, layout.lines[i]);
  }
}

void PaintTextBox(Control& box, bool focused, const Origin& at) {
  const int row = at.row + box.rect.row, col = at.col + box.rect.col;
  wattrset(stdscr, A_UNDERLINE);
  mvwhline(stdscr, row, col, ' ', box.rect.width);
  const EditBox::View view = box.edit.ViewIn(box.rect.width);
  const bool selected = focused && box.edit.AllSelected();
  Put(row, col, view.shown, selected ? A_REVERSE : A_UNDERLINE);
}

// The caption in brackets, with room inside them where there is some.
std::string ButtonFace(const std::string& caption, int width, int& captionOffset) {
  const int cells = CellsOf(caption, 0, caption.size());
  if (cells + 4 <= width) {
    captionOffset = 2;
    return "[ " + caption + " ]";
  }
  if (cells + 2 <= width) {
    captionOffset = 1;
    return "[" + caption + "]";
  }
  captionOffset = 0;
  return caption;
}

bool ButtonHasFocus(const Record& record) {
  return record.focus >= 0 && record.controls[record.focus].kind == ControlKind::kButton;
}

void PaintButton(const Record& record, const Control& button, bool focused, const Origin& at) {
  int offset = 0;
  const std::string face = ButtonFace(button.caption.text, button.rect.width, offset);
  const int cells = CellsOf(face, 0, face.size());
  const int col = at.col + button.rect.col + std::max(0, (button.rect.width - cells) / 2);
  const int row = at.row + button.rect.row;
  // The default button is marked while no other button has the focus, as its dark border is.
  const bool marked = focused || (button.isDefault && !ButtonHasFocus(record));
  const attr_t attributes = focused ? A_REVERSE : marked ? A_BOLD : A_NORMAL;
  Put(row, col, face, attributes);
  const int underlined = button.caption.underlined;
  if (underlined < 0) return;
  const int mnemonicCol = col + offset + CellsOf(button.caption.text, 0, underlined);
  mvwchgat(stdscr, row, mnemonicCol, 1, attributes | A_UNDERLINE, 0, nullptr);
}

void PaintRecord(Record& record) {
  const Origin at = OriginOf(record);
  PaintFrame(record, at);
  for (size_t i = 0; i < record.controls.size(); ++i) {
    Control& control = record.controls[i];
    const bool focused = record.focus == static_cast<int>(i);
    switch (control.kind) {
      case ControlKind::kLabel:
        PaintLabel(record, control, at);
        break;
      case ControlKind::kTextBox:
        PaintTextBox(control, focused, at);
        break;
      case ControlKind::kEtchedLine:
        mvwhline(stdscr, at.row + control.rect.row, at.col + control.rect.col, ACS_HLINE,
                 control.rect.width);
        break;
      case ControlKind::kButton:
        PaintButton(record, control, focused, at);
        break;
    }
  }
}

void PlaceCursor(Record& record) {
  if (record.focus < 0) {
    curs_set(0);
    return;
  }
  Control& control = record.controls[record.focus];
  const Origin at = OriginOf(record);
  int col = at.col + control.rect.col;
  if (control.kind == ControlKind::kTextBox)
    col += control.edit.ViewIn(control.rect.width).caretCell;
  curs_set(control.kind == ControlKind::kTextBox ? 1 : 0);
  wmove(stdscr, at.row + control.rect.row, col);
}

struct Size {
  int width, height;
};

Size NeededSize(const std::vector<Record*>& stack) {
  Size needed{0, 0};
  for (const Record* record : stack) {
    const int left = record->client.col >= 0 ? record->client.col : 0;
    const int top = record->client.row >= 0 ? record->client.row : 0;
    needed.width = std::max(needed.width, left + record->client.width + 2);
    needed.height = std::max(needed.height, top + record->client.height + 2);
  }
  return needed;
}

void PaintTooSmall(const Size& needed) {
  curs_set(0);
  const std::string text = "The terminal is too small for the installer: it needs " +
                           std::to_string(needed.width) + " x " + std::to_string(needed.height) +
                           " characters and has " + std::to_string(COLS) + " x " +
                           std::to_string(LINES) + ". Please make it larger.";
  const std::vector<std::string> lines = Wrap(text, COLS);
  for (int row = 0; row < LINES && row < static_cast<int>(lines.size()); ++row) {
    Put(row, 0, lines[row]);
  }
}

}  // namespace

bool Fits(const std::vector<Record*>& stack) {
  const Size needed = NeededSize(stack);
  return needed.width <= COLS && needed.height <= LINES;
}

void Paint(const std::vector<Record*>& stack, bool whole) {
  if (whole) clearok(curscr, TRUE);
  werase(stdscr);
  if (!Fits(stack)) {
    PaintTooSmall(NeededSize(stack));
  } else {
    for (Record* record : stack) PaintRecord(*record);
    if (!stack.empty()) PlaceCursor(*stack.back());
  }
  wrefresh(stdscr);
}

LabelLayout LayOutLabel(const Record& record, const Control& label) {
  LabelLayout layout{label.rect, Wrap(label.text, label.rect.width)};
  if (static_cast<int>(layout.lines.size()) <= label.rect.height) return layout;
  CellRect& area = layout.area;
  area.width = record.client.width - area.col;
  for (const Control& other : record.controls) {
    const bool onFirstRow =
        other.rect.row <= area.row && area.row < other.rect.row + other.rect.height;
    if (&other != &label && onFirstRow && other.rect.col > area.col) {
      area.width = std::min(area.width, other.rect.col - 1 - area.col);
    }
  }
  area.width = std::max(area.width, label.rect.width);
  while (area.row + area.height < record.client.height &&
         FreeOfOthers(record, label, CellRect{area.col, area.row + area.height, area.width, 1})) {
    ++area.height;
  }
  layout.lines = Wrap(label.text, area.width);
  if (static_cast<int>(layout.lines.size()) > area.height) layout.lines.resize(area.height);
  return layout;
}

}  // namespace quelb::dialog::curses
