#include "dialog/curses/edit_box.h"

#include <gtest/gtest.h>

namespace quelb::dialog::curses {
namespace {

TEST(EditBoxTest, TypingReplacesTheSelectionAndTheKeysMoveByCharacters) {
  EditBox box("C:\\QUELB");
  box.SelectAll();
  EXPECT_TRUE(box.Type('A'));
  EXPECT_EQ(box.Text(), "A");
  // A selection is removed whole by Backspace, and an empty box has nothing to delete.
  box.SelectAll();
  EXPECT_TRUE(box.Press(EditKey::kBackspace));
  EXPECT_FALSE(box.Press(EditKey::kBackspace));
  EXPECT_FALSE(box.Press(EditKey::kDelete));
  // "B", u with diaeresis, "ro": the caret steps over the two bytes of the letter.
  box.SetText("B\xC3\xBCro");
  box.Press(EditKey::kRight);
  box.Press(EditKey::kRight);
  EXPECT_TRUE(box.Press(EditKey::kBackspace));
  EXPECT_EQ(box.Text(), "Bro");
  box.Press(EditKey::kHome);
  EXPECT_TRUE(box.Press(EditKey::kDelete));
  EXPECT_EQ(box.Text(), "ro");
  // Left over a selection goes to its start without deleting it.
  box.SelectAll();
  EXPECT_FALSE(box.Press(EditKey::kLeft));
  box.Type('x');
  EXPECT_EQ(box.Text(), "xro");
}

TEST(EditBoxTest, TheViewKeepsTheCaretInsideAndScrollsNoFurtherThanNeeded) {
  EditBox box("ABCDEFGHIJ");
  box.SelectAll();
  // Ten characters in five cells: the last four, and the caret in the fifth cell.
  EditBox::View view = box.ViewIn(5);
  EXPECT_EQ(view.shown, "GHIJ");
  EXPECT_EQ(view.caretCell, 4);
  box.Press(EditKey::kHome);
  view = box.ViewIn(5);
  EXPECT_EQ(view.shown, "ABCDE");
  EXPECT_EQ(view.caretCell, 0);
  // A text that fits shows whole, also after it was scrolled.
  box.Press(EditKey::kEnd);
  box.ViewIn(5);
  box.SetText("AB");
  box.Press(EditKey::kEnd);
  view = box.ViewIn(5);
  EXPECT_EQ(view.shown, "AB");
  EXPECT_EQ(view.caretCell, 2);
  // A two-byte letter takes one cell.
  box.SetText("\xC3\xBC\xC3\xBC\xC3\xBC");
  box.Press(EditKey::kEnd);
  view = box.ViewIn(3);
  EXPECT_EQ(view.shown, "\xC3\xBC\xC3\xBC");
  EXPECT_EQ(view.caretCell, 2);
}

}  // namespace
}  // namespace quelb::dialog::curses
