#include <gtest/gtest.h>

#include "dialog/curses/edit_box.h"
#include "dialog/text_wrap.h"

namespace quelb::dialog::curses {
namespace {

using Lines = std::vector<std::string>;

// What a box cannot hold ends in an ellipsis within its width, never inside a character.
TEST(CutToRowsTest, ALongTextEndsInAnEllipsisOnItsLastRow) {
  const Lines lines = {"first line", "second line", "third"};
  EXPECT_EQ(CutToRows(lines, 3, 11, CellsOf), lines);
  EXPECT_EQ(CutToRows(lines, 2, 11, CellsOf), (Lines{"first line", "second l..."}));
  EXPECT_EQ(CutToRows(lines, 2, 20, CellsOf), (Lines{"first line", "second line..."}));
  EXPECT_EQ(CutToRows(lines, 0, 11, CellsOf), (Lines{"first li..."})) << "one row at least";
  EXPECT_EQ(CutToRows({"B\xC3\xBC\xC3\xBC", "x"}, 1, 5, CellsOf), (Lines{"B\xC3\xBC..."}));
}

}  // namespace
}  // namespace quelb::dialog::curses
