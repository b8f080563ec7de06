#include "engine/mark_search.h"

#include <algorithm>
#include <cstring>

namespace quelb {

int64_t FindMark(std::string_view bytes, std::string_view mark) {
  if (mark.empty()) return 0;
  if (bytes.size() < mark.size()) return -1;
  const char* const begin = bytes.data();
  const char* const lastStart = begin + (bytes.size() - mark.size());
  const char* at = begin;
  while (at <= lastStart) {
    const void* first = std::memchr(at, mark[0], static_cast<size_t>(lastStart - at) + 1);
    if (first == nullptr) return -1;
    at = static_cast<const char*>(first);
    if (std::memcmp(at, mark.data(), mark.size()) == 0) return at - begin;
    ++at;
  }
  return -1;
}

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
  const int64_t found = FindMark(window, mark_);
  if (found >= 0) position_ = fed_ - static_cast<int64_t>(tail_.size()) + found + 1;
}

void MarkScanner::SearchInside(std::string_view piece) {
  const int64_t found = FindMark(piece, mark_);
  if (found >= 0) position_ = fed_ + found + 1;
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
