// The journal's files on Windows. A rename without MOVEFILE_REPLACE_EXISTING never replaces,
// and each step a scanner may hold for a moment is waited out as the copies wait it out.
#include "services/journal_files.h"

#include <string>

#include "services/dos_path.h"
#include "services/win32/internal/brief_holds.h"
#include "services/win32/internal/durability.h"

namespace quelb {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Asking for no access at all opens a file whatever its sharing.
HANDLE OpenToQuery(const Text& path, DWORD& error) {
  HANDLE file = INVALID_HANDLE_VALUE;
  error = win32::CallPatiently([&] {
    file = CreateFileA(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    return file != INVALID_HANDLE_VALUE;
  });
  return file;
}

int64_t Wide(DWORD high, DWORD low) {
  return static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
}

bool WriteWhole(HANDLE file, const Text& bytes) {
  DWORD written = 0;
  BOOL wrote = FALSE;
  win32::Call([&] {
    wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  });
  return wrote && written == bytes.size();
}

// Returns the error of the first step that failed, 0 when the fresh file was written whole.
DWORD WriteFresh(const Text& fresh, const Text& bytes) {
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD error = win32::Call([&] {
    file = CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  });
  if (file == INVALID_HANDLE_VALUE) return error != 0 ? error : ERROR_GEN_FAILURE;
  BOOL flushed = FALSE;
  if (WriteWhole(file, bytes)) {
    error = win32::Call([&] { flushed = FlushFileBuffers(file); });
  } else {
    error = GetLastError();
  }
  win32::Call([&] { CloseHandle(file); });
  return flushed ? 0 : (error != 0 ? error : ERROR_GEN_FAILURE);
}

}  // namespace

// A folder opens only with backup semantics, and is no file: it is told apart first.
FileIdentity IdentityOf(ErrorState& state, const Text& path) {
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  DWORD error = win32::Call([&] { attributes = GetFileAttributesA(path.c_str()); });
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (!IsMissing(error)) win32::Succeeded(state, false, error);
    return {};
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return {};
  HANDLE file = OpenToQuery(path, error);
  if (file == INVALID_HANDLE_VALUE) {
    if (!IsMissing(error)) win32::Succeeded(state, false, error);
    return {};
  }
  BY_HANDLE_FILE_INFORMATION info;
  BOOL found = FALSE;
  error = win32::Call([&] { found = GetFileInformationByHandle(file, &info); });
  win32::Call([&] { CloseHandle(file); });
  if (!win32::Succeeded(state, found, error)) return {};
  return {Wide(info.nFileSizeHigh, info.nFileSizeLow),
          Wide(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime),
          std::to_string(info.dwVolumeSerialNumber) + ":" +
              std::to_string(Wide(info.nFileIndexHigh, info.nFileIndexLow))};
}

// The attributes by name hold the size and time that the handle's information gives.
FileIdentity SizeAndTimeOf(ErrorState& state, const Text& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  BOOL found = FALSE;
  const DWORD error = win32::Call(
      [&] { found = GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data); });
  if (!found) {
    if (!IsMissing(error)) win32::Succeeded(state, false, error);
    return {};
  }
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return {};
  return {Wide(data.nFileSizeHigh, data.nFileSizeLow),
          Wide(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime),
          {}};
}

void RenameWithoutReplacing(ErrorState& state, const Text& from, const Text& to) {
  BOOL moved = FALSE;
  const DWORD error = win32::CallPatiently([&] {
    moved = MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH);
    return moved != FALSE;
  });
  win32::Succeeded(state, moved, error);
}

// A kept file may have come read-only from a CD-ROM; it is removed all the same.
void RemoveFile(ErrorState& state, const Text& path) {
  win32::Call([&] { SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL); });
  BOOL removed = FALSE;
  const DWORD error = win32::CallPatiently([&] {
    removed = DeleteFileA(path.c_str());
    return removed != FALSE;
  });
  if (!removed && !IsMissing(error)) win32::Succeeded(state, false, error);
}

void RemoveEmptyFolder(ErrorState& state, const Text& path) {
  BOOL removed = FALSE;
  const DWORD error = win32::CallPatiently([&] {
    removed = RemoveDirectoryA(path.c_str());
    return removed != FALSE;
  });
  if (!removed && !IsMissing(error)) win32::Succeeded(state, false, error);
}

// The rename within a folder is not flushed by MOVEFILE_WRITE_THROUGH: the file is flushed
// again under its name, as each copy is, and its folder where the account may open it.
void WriteFileDurably(ErrorState& state, const Text& path, const Text& bytes) {
  const Text fresh = path + ".new";
  DWORD error = WriteFresh(fresh, bytes);
  BOOL moved = FALSE;
  if (error == 0) {
    error = win32::CallPatiently([&] {
      moved = MoveFileExA(fresh.c_str(), path.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
      return moved != FALSE;
    });
  }
  if (moved) error = win32::FlushFile(path);
  if (!win32::Succeeded(state, moved && error == 0, error)) {
    win32::Call([&] { DeleteFileA(fresh.c_str()); });
    return;
  }
  win32::FlushFolder(dos::FolderOf(path));
}

void SyncFolderEntries(ErrorState&, const Text& folder) {
  win32::FlushFolder(folder);
}

}  // namespace quelb
