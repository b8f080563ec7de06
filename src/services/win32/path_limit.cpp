// The ANSI calls take a path of fewer than MAX_PATH characters, so that it fits their buffer
// with its closing NUL; a longer one fails with ERROR_FILENAME_EXCED_RANGE.
#include "services/files.h"
#include "services/win32/internal/call.h"

namespace quelb {

bool PathTooLong(ErrorState& state, const Text& path) {
  if (path.size() < MAX_PATH) return false;
  StoreWindowsError(state, ERROR_FILENAME_EXCED_RANGE, ERROR_FILENAME_EXCED_RANGE);
  return true;
}

}  // namespace quelb
