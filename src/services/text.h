// Byte text and the text operations the logic uses. Positions are 1-based and count bytes;
// any byte may occur, NUL included.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quelb {

using Text = std::string;

int64_t TextLength(const Text& text);
Text MidText(const Text& text, int64_t start, int64_t count);
Text RightText(const Text& text, int64_t count);
Text UpperText(const Text& text);
Text LowerText(const Text& text);
// Any bytes may be searched, a file's piece included, without copying them into a text.
int64_t FindText(int64_t start, std::string_view text, std::string_view pattern);
int64_t FieldCount(const Text& text, const Text& delimiter);
Text FieldText(const Text& text, const Text& delimiter, int64_t index);
// The field that begins at byte offset at, for walking a text field by field: at moves past
// the delimiter that ends the field, or to Text::npos after the last one. The delimiter is
// not empty.
Text NextField(const Text& text, const Text& delimiter, size_t& at);
Text NumberText(double number);

}  // namespace quelb
