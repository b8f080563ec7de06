// The unattended program's hidden folder on Windows: the hidden attribute, kept beside the
// folder's others.
#include "services/own_files.h"

#include "services/win32/internal/call.h"

namespace quelb {

void MakeHiddenFolder(ErrorState& state, const Text& path) {
  const DWORD error = win32::Call([&] {
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return;
    SetLastError(0);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      SetLastError(ERROR_ACCESS_DENIED);
      return;
    }
    SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN);
  });
  win32::Succeeded(state, error == 0, error);
}

}  // namespace quelb
