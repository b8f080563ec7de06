// Breaking a text into the lines that a width holds, whatever the unit of the width.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quelb::dialog {

// The width of text[start, end) in the unit of the wrap.
using TextMeasure = std::function<int(const std::string& text, size_t start, size_t end)>;

// CR LF, LF or CR end a line, and a line that is too wide breaks at its last blank that fits
// (inside a word only when the word alone is too wide, and never inside a UTF-8 sequence).
std::vector<std::string> WrapLines(const std::string& text, int width, const TextMeasure& measure);

// At most rows lines (one at least); when lines are left out, the last one kept is cut to
// end in "..." within the width, so that the reader sees the text goes on.
std::vector<std::string> CutToRows(std::vector<std::string> lines, int rows, int width,
                                   const TextMeasure& measure);

bool IsContinuationByte(char byte);

}  // namespace quelb::dialog
