// Logs on Windows: opened for writing and shared with readers alone, so that the end found at
// the open stays the end, written with WriteFile as each line comes, so that a killed process
// leaves what it wrote, and flushed when closed (FlushFileBuffers asks for GENERIC_WRITE, which
// FILE_APPEND_DATA alone is not). The handle is not inherited by the programs a run starts.
#include "services/log_file.h"

#include "services/backend.h"
#include "services/win32/internal/call.h"

namespace quelb {
namespace {

HANDLE Native(AppendedFile file) {
  return reinterpret_cast<HANDLE>(file);
}

}  // namespace

AppendedFile OpenToAppend(ErrorState& state, const Text& path, bool fresh) {
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD error = win32::Call([&] {
    file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       fresh ? CREATE_NEW : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  });
  if (file == INVALID_HANDLE_VALUE) {
    win32::Succeeded(state, false, error);
    return kNoAppendedFile;
  }
  DWORD low = INVALID_SET_FILE_POINTER;
  error = win32::Call([&] { low = SetFilePointer(file, 0, nullptr, FILE_END); });
  if (!win32::Succeeded(state, low != INVALID_SET_FILE_POINTER, error)) {
    CloseHandle(file);
    return kNoAppendedFile;
  }
  return reinterpret_cast<AppendedFile>(file);
}

void AppendText(ErrorState& state, AppendedFile file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    BOOL done = FALSE;
    const DWORD error = win32::Call([&] {
      done = WriteFile(Native(file), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr);
    });
    if (!win32::Succeeded(state, done != FALSE && written > 0, error)) return;
    bytes.remove_prefix(written);
  }
}

void CloseAppended(ErrorState& state, AppendedFile file) {
  BOOL flushed = FALSE;
  const DWORD error = win32::Call([&] { flushed = FlushFileBuffers(Native(file)); });
  win32::Succeeded(state, flushed != FALSE, error);
  CloseHandle(Native(file));
}

}  // namespace quelb
