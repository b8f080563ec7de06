#include "services/text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quelb {
namespace {

char UpperByte(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
char LowerByte(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The 1-based position of the first occurrence at or after start, or 0.
int64_t FindForwards(int64_t start, std::string_view text, std::string_view pattern) {
  if (start > static_cast<int64_t>(text.size())) return 0;
  const auto found = text.find(pattern, static_cast<size_t>(start - 1));
  return found == Text::npos ? 0 : static_cast<int64_t>(found) + 1;
}

// The 1-based position of the last occurrence that begins at or before last, or 0.
int64_t FindBackwards(int64_t last, std::string_view text, std::string_view pattern) {
  if (last < 1) return 0;
  const auto found = text.rfind(pattern, static_cast<size_t>(last - 1));
  return found == Text::npos ? 0 : static_cast<int64_t>(found) + 1;
}

// The byte offset just past the n-th occurrence of the delimiter (n >= 1), or npos.
size_t AfterOccurrence(const Text& text, const Text& delimiter, int64_t n) {
  size_t at = 0;
  for (int64_t i = 0; i < n; ++i) {
    const size_t found = text.find(delimiter, at);
    if (found == Text::npos) return Text::npos;
    at = found + delimiter.size();
  }
  return at;
}

}  // namespace

int64_t TextLength(const Text& text) {
  return static_cast<int64_t>(text.size());
}

Text MidText(const Text& text, int64_t start, int64_t count) {
  const int64_t length = TextLength(text);
  if (start == 0) return {};
  if (start < 0) start += length + 1;
  if (start < 1 || start > length) return {};
  if (count < 0) count += length;
  if (count <= 0) return {};
  count = std::min(count, length - start + 1);
  return text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count));
}

Text RightText(const Text& text, int64_t count) {
  const int64_t length = TextLength(text);
  if (count < 0) count += length;
  if (count <= 0) return {};
  if (count >= length) return text;
  return text.substr(static_cast<size_t>(length - count));
}

Text UpperText(const Text& text) {
  Text result = text;
  std::transform(result.begin(), result.end(), result.begin(), UpperByte);
  return result;
}

Text LowerText(const Text& text) {
  Text result = text;
  std::transform(result.begin(), result.end(), result.begin(), LowerByte);
  return result;
}

int64_t FindText(int64_t start, std::string_view text, std::string_view pattern) {
  if (start == 0 || text.empty()) return 0;
  if (pattern.empty()) return start;
  if (start < 0) return FindBackwards(static_cast<int64_t>(text.size()) + start + 1, text, pattern);
  return FindForwards(start, text, pattern);
}

int64_t FieldCount(const Text& text, const Text& delimiter) {
  if (delimiter.empty()) return 1;
  int64_t count = 1;
  for (size_t at = text.find(delimiter); at != Text::npos;
       at = text.find(delimiter, at + delimiter.size())) {
    ++count;
  }
  return count;
}

Text FieldText(const Text& text, const Text& delimiter, int64_t index) {
  if (index < 1 || delimiter.empty()) return index == 1 ? text : Text{};
  size_t begin = index == 1 ? 0 : AfterOccurrence(text, delimiter, index - 1);
  if (begin == Text::npos) return {};
  return NextField(text, delimiter, begin);
}

Text NextField(const Text& text, const Text& delimiter, size_t& at) {
  const size_t end = text.find(delimiter, at);
  Text field = text.substr(at, end == Text::npos ? Text::npos : end - at);
  at = end == Text::npos ? Text::npos : end + delimiter.size();
  return field;
}

Text NumberText(double number) {
  char digits[40];
  if (std::fabs(number) < 1e15 && number == std::trunc(number)) {
    std::snprintf(digits, sizeof digits, "%.0f", std::fabs(number));
  } else {
    std::snprintf(digits, sizeof digits, "%.15G", std::fabs(number));
  }
  return Text(number < 0 ? "-" : " ") + digits;
}

}  // namespace quelb
