#include "dialog/curses/edit_box.h"

#include "dialog/text_wrap.h"

namespace quelb::dialog::curses {

int CellsOf(const std::string& text, size_t start, size_t end) {
  int cells = 0;
  for (size_t i = start; i < end && i < text.size(); ++i) {
    if (!IsContinuationByte(text[i])) ++cells;
  }
  return cells;
}

void EditBox::SetText(const std::string& text) {
  text_ = text;
  caret_ = first_ = 0;
  selected_ = false;
}

void EditBox::SelectAll() {
  selected_ = true;
  caret_ = text_.size();
}

size_t EditBox::Next(size_t at) const {
  if (at >= text_.size()) return text_.size();
  ++at;
  while (at < text_.size() && IsContinuationByte(text_[at])) ++at;
  return at;
}

size_t EditBox::Previous(size_t at) const {
  if (at == 0) return 0;
  --at;
  while (at > 0 && IsContinuationByte(text_[at])) --at;
  return at;
}

int EditBox::CellsBetween(size_t from, size_t to) const {
  return CellsOf(text_, from, to);
}

bool EditBox::DeleteSelection() {
  if (!AllSelected()) {
    selected_ = false;
    return false;
  }
  text_.clear();
  caret_ = first_ = 0;
  selected_ = false;
  return true;
}

bool EditBox::Type(char byte) {
  DeleteSelection();
  text_.insert(caret_, 1, byte);
  ++caret_;
  return true;
}

bool EditBox::Press(EditKey key) {
  const bool hadSelection = AllSelected();
  switch (key) {
    case EditKey::kBackspace:
    case EditKey::kDelete:
      if (DeleteSelection()) return true;
      break;
    default:
      selected_ = false;
      break;
  }
  switch (key) {
    case EditKey::kLeft:
      caret_ = hadSelection ? 0 : Previous(caret_);
      return false;
    case EditKey::kRight:
      caret_ = hadSelection ? text_.size() : Next(caret_);
      return false;
    case EditKey::kHome:
      caret_ = 0;
      return false;
    case EditKey::kEnd:
      caret_ = text_.size();
      return false;
    case EditKey::kBackspace: {
      if (caret_ == 0) return false;
      const size_t start = Previous(caret_);
      text_.erase(start, caret_ - start);
      caret_ = start;
      return true;
    }
    case EditKey::kDelete: {
      if (caret_ >= text_.size()) return false;
      text_.erase(caret_, Next(caret_) - caret_);
      return true;
    }
  }
  return false;
}

EditBox::View EditBox::ViewIn(int width) {
  if (width < 1) return View{"", 0};
  if (first_ > caret_) first_ = caret_;
  // The caret takes a cell of its own after the last character.
  while (CellsBetween(first_, caret_) > width - 1) first_ = Next(first_);
  // Scrolled back as far as the text allows, so that no cell stays blank needlessly.
  while (first_ > 0 && CellsBetween(Previous(first_), text_.size()) <= width - 1) {
    first_ = Previous(first_);
  }
  size_t end = first_;
  while (end < text_.size() && CellsBetween(first_, Next(end)) <= width) end = Next(end);
  return View{text_.substr(first_, end - first_), CellsBetween(first_, caret_)};
}

}  // namespace quelb::dialog::curses
