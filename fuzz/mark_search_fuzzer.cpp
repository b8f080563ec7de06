// The streamed mark search against a search of the whole buffer: the file is fed in pieces of
// any sizes, empty ones included, and must give the same position.
#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "engine/mark_search.h"
#include "fuzz_check.h"
#include "services/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  // A short mark over a small alphabet, so that partial and straddling matches are common.
  const std::string mark = input.ConsumeRandomLengthString(8);
  std::vector<size_t> pieces;
  for (int i = input.ConsumeIntegralInRange(0, 12); i > 0; --i) {
    pieces.push_back(input.ConsumeIntegralInRange<size_t>(0, 9));
  }
  std::string whole = input.ConsumeRemainingBytesAsString();
  for (char& c : whole) c = static_cast<char>('A' + static_cast<unsigned char>(c) % 3);
  std::string markInAlphabet = mark;
  for (char& c : markInAlphabet) c = static_cast<char>('A' + static_cast<unsigned char>(c) % 3);

  quelb::MarkScanner scanner(markInAlphabet);
  size_t at = 0;
  for (size_t i = 0; at < whole.size() || i < pieces.size(); ++i) {
    const size_t length = i < pieces.size() ? pieces[i] : whole.size() - at;
    const std::string_view piece = std::string_view(whole).substr(at, length);
    at += piece.size();
    scanner.Feed(piece);
  }
  const int64_t expected = quelb::FindText(1, whole, markInAlphabet);
  if (scanner.Position() != expected) {
    quelb::fuzz::Differs("the streamed search for " + quelb::fuzz::Shown(markInAlphabet), whole,
                         std::to_string(scanner.Position()), std::to_string(expected));
  }
  return 0;
}
