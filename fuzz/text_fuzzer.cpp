// The text operations against plain models of their rules: positions are 1-based, negative
// starts and counts count from the end, and the field operations split a text so that its
// fields joined by the delimiter give it back.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdlib>

#include "fuzz_check.h"
#include "services/text.h"

namespace quelb::fuzz {
namespace {

// Positions and counts near the text's length, and now and then anywhere in 64 bits.
int64_t Number(FuzzedDataProvider& input) {
  if (input.ConsumeBool()) return input.ConsumeIntegral<int64_t>();
  return input.ConsumeIntegralInRange<int64_t>(-40, 40);
}

void CheckMid(const Text& text, int64_t start, int64_t count) {
  const int64_t length = static_cast<int64_t>(text.size());
  Text expected;
  // From the end, -1 being the last byte; a count below 0 leaves that many bytes out.
  int64_t first = start;
  if (start < 0) first = start < -length ? 0 : length + start + 1;
  int64_t wanted = count;
  if (count < 0) wanted = count < -length ? 0 : length + count;
  for (int64_t at = first; start != 0 && at >= 1 && at <= length && wanted > 0; ++at, --wanted) {
    expected += text[static_cast<size_t>(at - 1)];
  }
  const Text got = MidText(text, start, count);
  if (got != expected) {
    Differs("MidText from " + std::to_string(start) + " for " + std::to_string(count), text, got,
            expected);
  }
}

void CheckRight(const Text& text, int64_t count) {
  const int64_t length = static_cast<int64_t>(text.size());
  int64_t keep = count < 0 ? (count < -length ? 0 : length + count) : std::min(count, length);
  const Text expected = text.substr(text.size() - static_cast<size_t>(std::max<int64_t>(keep, 0)));
  const Text got = RightText(text, count);
  if (got != expected) Differs("RightText for " + std::to_string(count), text, got, expected);
}

void CheckCase(const Text& text) {
  const Text upper = UpperText(text);
  const Text lower = LowerText(text);
  Expect(upper.size() == text.size() && lower.size() == text.size(), "case keeps length", text);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    Expect(
        letter ? upper[i] == (c & ~0x20) && lower[i] == (c | 0x20) : upper[i] == c && lower[i] == c,
        "case changes ASCII letters only", text);
  }
}

int64_t NaiveFind(int64_t start, const Text& text, const Text& pattern) {
  const int64_t length = static_cast<int64_t>(text.size());
  if (start == 0 || length == 0) return 0;
  if (pattern.empty()) return start;
  auto at = [&](int64_t position) {
    return position >= 1 && position + static_cast<int64_t>(pattern.size()) - 1 <= length &&
           text.compare(static_cast<size_t>(position - 1), pattern.size(), pattern) == 0;
  };
  if (start > 0) {
    for (int64_t position = start; position <= length; ++position) {
      if (at(position)) return position;
    }
    return 0;
  }
  for (int64_t position = std::min(length + start + 1, length); position >= 1; --position) {
    if (at(position)) return position;
  }
  return 0;
}

void CheckFind(int64_t start, const Text& text, const Text& pattern) {
  const int64_t got = FindText(start, text, pattern);
  const int64_t expected = NaiveFind(start, text, pattern);
  if (got != expected) {
    Differs("FindText from " + std::to_string(start) + " of " + Shown(pattern), text,
            std::to_string(got), std::to_string(expected));
  }
}

void CheckFields(const Text& text, const Text& delimiter) {
  const int64_t count = FieldCount(text, delimiter);
  Expect(count >= 1, "FieldCount is at least 1", text);
  if (delimiter.empty()) {
    Expect(count == 1 && FieldText(text, delimiter, 1) == text, "no delimiter, one field", text);
    return;
  }
  Text joined;
  for (int64_t i = 1; i <= count; ++i) {
    const Text field = FieldText(text, delimiter, i);
    Expect(field.find(delimiter) == Text::npos, "a field holds no delimiter", text);
    joined += (i > 1 ? delimiter : Text()) + field;
  }
  if (joined != text) Differs("fields joined by " + Shown(delimiter), text, joined, text);
  Expect(FieldText(text, delimiter, count + 1).empty() && FieldText(text, delimiter, 0).empty(),
         "fields beyond the last and field 0 are empty", text);
}

void CheckNumber(int64_t whole) {
  const auto number = static_cast<double>(whole % 1000000000000000);
  const Text text = NumberText(number);
  Expect(!text.empty() && text[0] == (number < 0 ? '-' : ' '), "the sign comes first", text);
  Expect(std::strtod(text.c_str() + 1, nullptr) == std::fabs(number), "the number reads back",
         text);
  Expect(text.find_first_of(".E ", 1) == Text::npos, "a whole number has no point", text);
}

}  // namespace
}  // namespace quelb::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quelb::fuzz;
  FuzzedDataProvider input(data, size);
  const int64_t a = Number(input);
  const int64_t b = Number(input);
  const quelb::Text pattern = input.ConsumeRandomLengthString(8);
  const quelb::Text text = input.ConsumeRemainingBytesAsString();
  CheckMid(text, a, b);
  CheckRight(text, a);
  CheckCase(text);
  CheckFind(a, text, pattern);
  CheckFields(text, pattern);
  CheckNumber(b);
  return 0;
}
