// Files that another program holds for a moment. A virus scanner, an indexer or a backup
// program opens each new file as soon as it is closed, reads it and lets it go; meanwhile the
// file cannot be written, reopened or renamed, and the call fails with a sharing violation or
// access denied. Such a call is made again after a short pause, growing from pause to pause,
// for about two seconds, while the message queue is looked at; a program that holds the file
// for longer (one of the suite, left running) still gets its failure.
#pragma once

#include "services/win32/internal/call.h"

namespace quelb::win32 {

// Whether the error is one that a brief hold of the file gives.
bool MayPassSoon(DWORD error);

// The pauses between the tries of one call, which together last about as long as it is given
// (in milliseconds).
class Patience {
 public:
  explicit Patience(DWORD patience = 2000) : patience_(patience) {}
  // Pauses once and returns true, or returns false at once when the pauses are spent.
  bool Pause();

 private:
  DWORD patience_;
  DWORD next_ = 10;
  DWORD paused_ = 0;
};

// Call for a callable that returns whether it succeeded: made again while it fails in a way
// that a brief hold gives, until it succeeds or patience ends. Returns the last error left by
// the last try.
template <typename Callable>
DWORD CallPatiently(Callable&& callable) {
  Patience patience;
  for (;;) {
    bool succeeded = false;
    const DWORD error = Call([&] { succeeded = callable(); });
    if (succeeded || !MayPassSoon(error) || !patience.Pause()) return error;
  }
}

}  // namespace quelb::win32
