#include "engine/mark_search.h"

#include <algorithm>

#include "services/text.h"

namespace quelb {

bool MarkScanner::Feed(std::string_view piece) {
  if (position_ == 0) SearchAcrossBoundary(piece);
  if (position_ == 0) SearchInside(piece);
  if (position_ == 0) KeepTail(piece);
  fed_ += static_cast<int64_t>(piece.size());
  return position_ != 0;
}

void MarkScanner::SearchAcrossBoundary(std::string_view piece) {
  if (tail_.empty()) return;
  const std::string window =
      tail_ + std::string(piece.substr(0, std::min(piece.size(), mark_.size() - 1)));
  const int64_t found = FindText(1, window, mark_);
  if (found > 0) position_ = fed_ - static_cast<int64_t>(tail_.size()) + found;
}

void MarkScanner::SearchInside(std::string_view piece) {
  const int64_t found = FindText(1, piece, mark_);
  if (found > 0) position_ = fed_ + found;
}

void MarkScanner::KeepTail(std::string_view piece) {
  const size_t keep = mark_.empty() ? 0 : mark_.size() - 1;
  if (piece.size() >= keep) {
    tail_.assign(piece.substr(piece.size() - keep));
    return;
  }
  tail_ += piece;
  if (tail_.size() > keep) tail_.erase(0, tail_.size() - keep);
}

}  // namespace quelb
