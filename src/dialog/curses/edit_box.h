// The editing state of a one-line text box: its text, the caret between two characters,
// whether the whole text is selected (as it is when the box takes the focus from the
// keyboard), and how far the box has scrolled to keep the caret in sight. Positions are
// bytes; the caret and the view move by whole UTF-8 characters, each of which takes one cell.
#pragma once

#include <string>

namespace quelb::dialog::curses {

enum class EditKey { kLeft, kRight, kHome, kEnd, kBackspace, kDelete };

class EditBox {
 public:
  explicit EditBox(std::string text = {}) : text_(std::move(text)) {}

  const std::string& Text() const { return text_; }
  // The caret goes to the start and nothing stays selected.
  void SetText(const std::string& text);
  void SelectAll();
  bool AllSelected() const { return selected_ && !text_.empty(); }

  // Each returns true when the text changed. A typed byte replaces the selection.
  bool Type(char byte);
  bool Press(EditKey key);

  struct View {
    std::string shown;  // the characters that the box shows
    int caretCell;      // the caret's column inside the box
  };
  // What a box of the width shows, scrolled so that the caret stays inside it.
  View ViewIn(int width);

 private:
  size_t Next(size_t at) const;
  size_t Previous(size_t at) const;
  int CellsBetween(size_t from, size_t to) const;
  bool DeleteSelection();

  std::string text_;
  size_t caret_ = 0;
  size_t first_ = 0;
  bool selected_ = false;
};

// The cells that text[start, end) takes: one per character.
int CellsOf(const std::string& text, size_t start, size_t end);

}  // namespace quelb::dialog::curses
