#include "services/win32/internal/call.h"

namespace quelb::win32 {

bool Succeeded(ErrorState& state, bool returnedSuccess, DWORD error) {
  if (returnedSuccess && error == 0) return true;
  StoreWindowsError(state, error, static_cast<int>(error));
  return false;
}

Text FolderOf(const Text& path) {
  const size_t cut = path.find_last_of("\\/");
  if (cut != Text::npos) return path.substr(0, cut == 0 || path[cut - 1] == ':' ? cut + 1 : cut);
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  return ".";
}

}  // namespace quelb::win32
