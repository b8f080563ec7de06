// The environment, the command tail and the current drive and folder. SetCurrentDirectoryA
// keeps one current folder for the process; each drive's own is kept where the platform
// looks for it when a bare "X:" is made current, in the variable "=X:", as the C runtime
// and the command interpreter keep it.
#include <cctype>

#include "services/dos_path.h"
#include "services/process.h"
#include "services/win32/internal/call.h"

namespace quelb {
namespace {

constexpr DWORD kEnvironmentBuffer = 7916;
constexpr DWORD kFolderBuffer = MAX_PATH;

Text TailOf(const char* line) {
  const Text whole = line != nullptr ? line : "";
  size_t at = 0;
  if (!whole.empty() && whole[0] == '"') {
    at = whole.find('"', 1);
    at = at == Text::npos ? whole.size() : at + 1;
  } else {
    while (at < whole.size() && static_cast<unsigned char>(whole[at]) > ' ') ++at;
  }
  while (at < whole.size() && static_cast<unsigned char>(whole[at]) <= ' ') ++at;
  return whole.substr(at);
}

// A folder longer than the first buffer is read again into one that holds it.
bool ReadCurrentFolder(ErrorState& state, Text& folder) {
  DWORD size = kFolderBuffer;
  for (;;) {
    folder.assign(size, '\0');
    DWORD length = 0;
    const DWORD error = win32::Call([&] { length = GetCurrentDirectoryA(size, folder.data()); });
    if (!win32::Succeeded(state, length != 0, error)) return false;
    if (length < size) {
      folder.resize(length);
      return true;
    }
    size = length;
  }
}

bool SetCurrentFolder(ErrorState& state, const Text& path) {
  BOOL changed = FALSE;
  const DWORD error = win32::Call([&] { changed = SetCurrentDirectoryA(path.c_str()); });
  return win32::Succeeded(state, changed, error);
}

// Keeps the folder now current as its drive's own current folder.
void RememberForItsDrive() {
  ErrorState ignored;
  Text folder;
  if (!ReadCurrentFolder(ignored, folder) || folder.size() < 2 || folder[1] != ':') return;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(folder[0])));
  SetEnvironmentVariableA((Text("=") + letter + ":").c_str(), folder.c_str());
}

Text DriveOf(const Text& drive) {
  return drive.substr(0, 1) + ":";
}

}  // namespace

Text EnvironmentValue(const Text& name) {
  Text value(kEnvironmentBuffer, '\0');
  DWORD length = GetEnvironmentVariableA(name.c_str(), value.data(), kEnvironmentBuffer);
  if (length >= kEnvironmentBuffer) {
    value.assign(length, '\0');
    length = GetEnvironmentVariableA(name.c_str(), value.data(), length);
  }
  value.resize(length < value.size() ? length : 0);
  return value;
}

// The platform's own drives serve whatever the environment holds.
Text EnvironmentFault() {
  return {};
}

Text CommandTail() {
  static const Text tail = TailOf(GetCommandLineA());
  return tail;
}

Text CurrentFolder(ErrorState& state, const Text& drive) {
  Text current;
  if (!ReadCurrentFolder(state, current)) return {};
  if (drive.empty()) return current;
  Text folder;
  const bool read = SetCurrentFolder(state, DriveOf(drive)) && ReadCurrentFolder(state, folder);
  SetCurrentFolder(state, current);
  return read ? folder : Text();
}

void ChangeDrive(ErrorState& state, const Text& drive) {
  if (drive.empty()) return;
  RememberForItsDrive();
  if (SetCurrentFolder(state, DriveOf(drive))) RememberForItsDrive();
}

void ChangeFolder(ErrorState& state, const Text& path) {
  if (dos::HoldsWildcard(path)) return StoreError(state, error_number::kFolderNotFound);
  RememberForItsDrive();
  ErrorState changed;
  if (SetCurrentFolder(changed, path)) return RememberForItsDrive();
  // A folder that is not found is reported as a missing path, never as a missing file.
  if (changed.rawCode == ERROR_FILE_NOT_FOUND)
    return StoreError(state, error_number::kFolderNotFound, changed.rawCode);
  StoreError(state, changed.number, changed.rawCode);
}

// Windows looks each path up itself, and keeps nothing for a batch.
PathLookupBatch::PathLookupBatch() = default;
PathLookupBatch::~PathLookupBatch() = default;

}  // namespace quelb
