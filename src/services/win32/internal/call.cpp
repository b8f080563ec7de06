#include "services/win32/internal/call.h"

namespace quelb::win32 {

bool Succeeded(ErrorState& state, bool returnedSuccess, DWORD error) {
  if (returnedSuccess && error == 0) return true;
  StoreWindowsError(state, error, static_cast<int>(error));
  return false;
}

}  // namespace quelb::win32
