// The unattended program's hidden folder on Windows, the hidden attribute kept beside the
// folder's others, and the room on a folder's volume.
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

// The volume is named by its root, which also gives the size of its clusters. A share's
// folder is asked with a closing separator, as the call wants it.
bool RoomOnVolumeOf(ErrorState& state, const Text& folder, VolumeRoom& room) {
  const Text directory = !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
  char root[MAX_PATH + 1] = {};
  ULARGE_INTEGER available{};
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD clusters = 0;
  BOOL found = FALSE;
  const DWORD error = win32::Call([&] {
    found = GetVolumePathNameA(directory.c_str(), root, sizeof root) &&
            GetDiskFreeSpaceExA(directory.c_str(), &available, nullptr, nullptr) &&
            GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters);
  });
  if (!win32::Succeeded(state, found, error)) return false;
  const int64_t unit = static_cast<int64_t>(sectorsPerCluster) * bytesPerSector;
  room = {UpperText(root), static_cast<int64_t>(available.QuadPart), unit > 0 ? unit : 1};
  return true;
}

}  // namespace quelb
