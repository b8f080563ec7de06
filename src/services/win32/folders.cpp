// Creating a folder with CreateDirectoryA: exactly one level.
#include "services/dos_path.h"
#include "services/files.h"
#include "services/win32/internal/call.h"

namespace quelb {

// Junctions and links are the platform's to follow; files.h says why.
bool ReachedThroughAnotherAccountsLink(const Text&) {
  return false;
}

void MakeFolder(ErrorState& state, const Text& path) {
  if (dos::HoldsWildcard(path)) return StoreError(state, error_number::kFolderNotFound);
  BOOL made = FALSE;
  const DWORD error = win32::Call([&] { made = CreateDirectoryA(path.c_str(), nullptr); });
  win32::Succeeded(state, made, error);
}

}  // namespace quelb
