// Exclusive opens with CreateFileA and share mode 0: a file that another process has open
// or runs cannot be opened so, and that refusal is the in-use test. A file opened only to be
// read, as a digest reads it, is shared with readers and refused while another writes it.
// Lengths and positions are 64-bit.
#include <algorithm>

#include "services/backend.h"
#include "services/win32/internal/call.h"

namespace quelb::platform {
namespace {

constexpr DWORD kNoSharing = 0;
constexpr DWORD kLargestRead = 1 << 20;

HANDLE Native(FileHandle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

// The handle may be inherited, as the file table's opens always were.
HANDLE Create(const Text& path, DWORD access, DWORD& error) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE file = INVALID_HANDLE_VALUE;
  error = win32::Call([&] {
    file = CreateFileA(path.c_str(), access, kNoSharing, &inheritable, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  });
  return file;
}

// Success is judged by the handle alone: opening an existing file leaves
// ERROR_ALREADY_EXISTS behind.
HANDLE OpenForAccess(const Text& path, Access access, DWORD& error) {
  HANDLE file = Create(path, GENERIC_READ | GENERIC_WRITE, error);
  if (file == INVALID_HANDLE_VALUE && access == Access::kReadWriteWithFallBack) {
    file = Create(path, GENERIC_READ, error);
  }
  return file;
}

bool SetPosition(ErrorState& state, HANDLE file, int64_t position) {
  LONG high = static_cast<LONG>(position >> 32);
  DWORD low = 0;
  const DWORD error = win32::Call([&] {
    low = SetFilePointer(file, static_cast<LONG>(position & 0xFFFFFFFF), &high, FILE_BEGIN);
  });
  return win32::Succeeded(state, low != INVALID_SET_FILE_POINTER || error == 0, error);
}

void CloseQuietly(HANDLE file) {
  win32::Call([&] { CloseHandle(file); });
}

}  // namespace

bool OpenExclusive(ErrorState& state, const Text& path, Access access, FileHandle& handle) {
  DWORD error = 0;
  HANDLE file = OpenForAccess(path, access, error);
  if (file == INVALID_HANDLE_VALUE) return win32::Succeeded(state, false, error);
  DWORD type = FILE_TYPE_UNKNOWN;
  error = win32::Call([&] { type = GetFileType(file); });
  const bool placed = win32::Succeeded(state, true, error) &&
                      (type != FILE_TYPE_DISK || SetPosition(state, file, 0));
  if (!placed) {
    CloseQuietly(file);
    return false;
  }
  handle = reinterpret_cast<FileHandle>(file);
  return true;
}

// A folder opened so fails with access denied, as CreateFileA opens folders only for backup.
bool OpenForReading(ErrorState& state, const Text& path, FileHandle& handle) {
  HANDLE file = INVALID_HANDLE_VALUE;
  const DWORD error = win32::Call([&] {
    file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  });
  if (file == INVALID_HANDLE_VALUE) return win32::Succeeded(state, false, error);
  handle = reinterpret_cast<FileHandle>(file);
  return true;
}

int64_t FileLength(ErrorState& state, FileHandle handle) {
  DWORD high = 0;
  DWORD low = 0;
  const DWORD error = win32::Call([&] { low = GetFileSize(Native(handle), &high); });
  if (!win32::Succeeded(state, true, error)) return 0;
  return static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
}

int64_t ReadAt(ErrorState& state, FileHandle handle, int64_t position, char* into, int64_t count) {
  if (count <= 0 || position < 0) return 0;
  if (!SetPosition(state, Native(handle), position)) return 0;
  int64_t done = 0;
  while (done < count) {
    const DWORD wanted = static_cast<DWORD>(std::min<int64_t>(count - done, kLargestRead));
    DWORD got = 0;
    BOOL read = FALSE;
    const DWORD error =
        win32::Call([&] { read = ReadFile(Native(handle), into + done, wanted, &got, nullptr); });
    if (!win32::Succeeded(state, read, error)) return 0;
    if (got == 0) break;
    done += got;
  }
  return done;
}

void Close(ErrorState& state, FileHandle handle) {
  BOOL closed = FALSE;
  const DWORD error = win32::Call([&] { closed = CloseHandle(Native(handle)); });
  win32::Succeeded(state, closed, error);
}

}  // namespace quelb::platform
