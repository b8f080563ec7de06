#include "services/win32/internal/brief_holds.h"

#include <algorithm>

#include "services/backend.h"

namespace quelb::win32 {
namespace {

constexpr DWORD kLongestPause = 250;

}  // namespace

bool MayPassSoon(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// The sleeps are short enough that the queue, looked at between them, never goes unanswered
// for long; no clock is read, so none can wrap.
bool Patience::Pause() {
  if (paused_ >= patience_) return false;
  Sleep(next_);
  paused_ += next_;
  next_ = std::min(next_ * 2, kLongestPause);
  platform::LookAtMessageQueue();
  return true;
}

}  // namespace quelb::win32
