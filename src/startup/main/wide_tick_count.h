#pragma once

#include <atomic>
#include <cstdint>

namespace quelb {

// A millisecond count that does not wrap, made from a 32-bit one that wraps every 49.7 days
// (GetTickCount on XP). It keeps the last count it gave and moves it on by the time the
// source has counted since, so that each wrap of the source carries into the high part. The
// source is read only once the last count is known, and read again when another thread has
// moved the count meanwhile: no reading is older than the count it moves on, so a thread held
// up between its reading and its update neither sets the count back nor takes its late
// reading for a wrap. The count stays exact while it is read at least once every 49.7 days.
class WideTickCount {
 public:
  constexpr WideTickCount() = default;

  // The count now, from read_source(), which returns the 32-bit count.
  template <typename Source>
  std::uint64_t Read(Source read_source) {
    std::uint64_t last = last_.load();
    for (;;) {
      const std::uint64_t next = MovedOn(last, read_source());
      if (next == last || last_.compare_exchange_weak(last, next)) return next;
    }
  }

 private:
  static constexpr std::uint64_t kNotRead = UINT64_MAX;

  static std::uint64_t MovedOn(std::uint64_t last, std::uint32_t now) {
    if (last == kNotRead) return now;
    return last + static_cast<std::uint32_t>(now - static_cast<std::uint32_t>(last));
  }

  std::atomic<std::uint64_t> last_{kNotRead};
};

}  // namespace quelb
