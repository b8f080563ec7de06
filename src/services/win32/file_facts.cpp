// A program's own files on Windows: facts from the file's attributes, files written whole
// under a temporary name and moved over the old one, and folders with the hidden attribute.
#include "services/file_facts.h"

#include "services/win32/internal/call.h"
#include "services/windows_codes.h"

namespace quelb {
namespace {

// FILETIME counts 100 nanoseconds from 1601-01-01 UTC.
constexpr int64_t kTicksFrom1601To1970 = 116444736000000000;
constexpr int64_t kNanosecondsPerTick = 100;

int64_t SinceUnixEpoch(const FILETIME& time) {
  const int64_t ticks =
      static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  return (ticks - kTicksFrom1601To1970) * kNanosecondsPerTick;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

bool WriteDurably(const Text& temporary, std::string_view bytes) {
  HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool written = WriteAll(file, bytes) && FlushFileBuffers(file);
  const DWORD error = GetLastError();
  CloseHandle(file);
  SetLastError(error);
  return written;
}

}  // namespace

bool FactsOfFile(ErrorState& state, const Text& path, FileFacts& facts) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  BOOL found = FALSE;
  const DWORD error = win32::Call(
      [&] { found = GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data); });
  if (!win32::Succeeded(state, found, error)) return false;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    StoreWindowsError(state, wincode::kAccessDenied, 0);
    return false;
  }
  facts.size =
      static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  facts.modified = SinceUnixEpoch(data.ftLastWriteTime);
  return true;
}

void WriteWholeFile(ErrorState& state, const Text& path, std::string_view bytes) {
  const Text temporary = path + ".new";
  BOOL done = FALSE;
  const DWORD error = win32::Call([&] {
    done = WriteDurably(temporary, bytes) &&
           MoveFileExA(temporary.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!done) {
      const DWORD failure = GetLastError();
      DeleteFileA(temporary.c_str());
      SetLastError(failure);
    }
  });
  win32::Succeeded(state, done, error);
}

void MakeHiddenFolder(ErrorState& state, const Text& path) {
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  const DWORD error = win32::Call([&] {
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return;
    SetLastError(0);
    attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      SetLastError(ERROR_ACCESS_DENIED);
      return;
    }
    if (!SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN)) return;
  });
  win32::Succeeded(state, error == 0, error);
}

}  // namespace quelb
