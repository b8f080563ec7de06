// A byte search that is fed a file piece by piece and gives the same answer as a search of
// the whole file held in memory, so that an archive of any size is searched in bounded memory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quelb {

class MarkScanner {
 public:
  explicit MarkScanner(std::string_view mark) : mark_(mark) {}

  // Takes the next piece of the file; true once the mark has been seen.
  bool Feed(std::string_view piece);
  // The 1-based position of the first occurrence, 0 while none has been seen.
  int64_t Position() const { return position_; }

 private:
  void SearchAcrossBoundary(std::string_view piece);
  void SearchInside(std::string_view piece);
  void KeepTail(std::string_view piece);

  std::string mark_;
  // The last bytes before the current piece, one fewer than the mark, for an occurrence
  // that straddles two pieces.
  std::string tail_;
  int64_t fed_ = 0;
  int64_t position_ = 0;
};

}  // namespace quelb
