#include "dialog/text_wrap.h"

#include <algorithm>

namespace quelb::dialog {
namespace {

// The longest run from start that fits, cut between characters; at least one character.
size_t FitCharacters(const std::string& line, size_t start, int width, const TextMeasure& measure) {
  size_t end = start + 1;
  while (end < line.size() && IsContinuationByte(line[end])) ++end;
  size_t fitted = end;
  while (end < line.size()) {
    size_t next = end + 1;
    while (next < line.size() && IsContinuationByte(line[next])) ++next;
    if (measure(line, start, next) > width) break;
    fitted = end = next;
  }
  return fitted;
}

void WrapOneLine(const std::string& line, int width, const TextMeasure& measure,
                 std::vector<std::string>& lines) {
  size_t start = 0;
  while (true) {
    if (measure(line, start, line.size()) <= width) {
      lines.push_back(line.substr(start));
      return;
    }
    size_t cut = std::string::npos;
    for (size_t blank = line.find(' ', start); blank != std::string::npos;
         blank = line.find(' ', blank + 1)) {
      if (measure(line, start, blank) > width) break;
      cut = blank;
    }
    if (cut == std::string::npos || cut == start) cut = FitCharacters(line, start, width, measure);
    lines.push_back(line.substr(start, cut - start));
    start = cut;
    while (start < line.size() && line[start] == ' ') ++start;
    if (start == line.size()) return;
  }
}

constexpr const char* kEllipsis = "...";

void DropLastCharacter(std::string& text) {
  while (!text.empty() && IsContinuationByte(text.back())) text.pop_back();
  if (!text.empty()) text.pop_back();
}

}  // namespace

std::vector<std::string> CutToRows(std::vector<std::string> lines, int rows, int width,
                                   const TextMeasure& measure) {
  const size_t kept = static_cast<size_t>(std::max(rows, 1));
  if (lines.size() <= kept) return lines;
  lines.resize(kept);
  std::string& last = lines.back();
  while (!last.empty() && measure(last + kEllipsis, 0, last.size() + 3) > width) {
    DropLastCharacter(last);
  }
  last += kEllipsis;
  return lines;
}

bool IsContinuationByte(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

std::vector<std::string> WrapLines(const std::string& text, int width, const TextMeasure& measure) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (true) {
    const size_t end = text.find_first_of("\r\n", start);
    WrapOneLine(text.substr(start, end == std::string::npos ? end : end - start), width, measure,
                lines);
    if (end == std::string::npos) return lines;
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
}

}  // namespace quelb::dialog
