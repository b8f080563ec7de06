// Durability of what a run wrote: each copy is flushed under its new name by the copy itself,
// and the folders that the copies changed are flushed before the run's next box; what an
// archive unpacked into a folder is put on the disk once the archive has ended. A handle to the
// volume flushes every file on it in one call, but only an administrator may open one; anyone
// else flushes each file under the folder that they may write.
#include "services/win32/internal/durability.h"

#include <set>
#include <string>

#include "services/dos_path.h"
#include "services/files.h"
#include "services/win32/internal/brief_holds.h"

namespace quelb {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// To be made through Call.
HANDLE OpenShared(const Text& path, const std::wstring& longPath) {
  return longPath.empty() ? CreateFileA(path.c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                          : CreateFileW(longPath.c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE OpenForWriting(const Text& path) {
  HANDLE file = INVALID_HANDLE_VALUE;
  win32::Call([&] { file = OpenShared(path, {}); });
  return file;
}

std::set<Text>& ChangedFolders() {
  static std::set<Text> folders;
  return folders;
}

// Returns the last error of the flush, 0 when it succeeded.
DWORD FlushAndClose(HANDLE file) {
  BOOL flushed = FALSE;
  const DWORD error = win32::Call([&] { flushed = FlushFileBuffers(file); });
  win32::Call([&] { CloseHandle(file); });
  return flushed ? 0 : (error != 0 ? error : ERROR_GEN_FAILURE);
}

void Flush(ErrorState& state, const Text& path) {
  HANDLE file = OpenForWriting(path);
  if (file == INVALID_HANDLE_VALUE) return;
  const DWORD error = FlushAndClose(file);
  win32::Succeeded(state, error == 0, error);
}

// True once the whole volume is flushed; a volume that cannot be opened (without an
// administrator's rights) or flushed leaves the work to the files.
bool FlushVolumeOf(const Text& folder) {
  char root[MAX_PATH + 1] = {};
  BOOL found = FALSE;
  win32::Call([&] { found = GetVolumePathNameA(folder.c_str(), root, sizeof root); });
  const Text volume = root;
  // Only a drive's volume is opened by its letter: \\.\C:
  if (!found || volume.size() != 3 || volume[1] != ':') return false;
  HANDLE handle = OpenForWriting("\\\\.\\" + volume.substr(0, 2));
  return handle != INVALID_HANDLE_VALUE && FlushAndClose(handle) == 0;
}

// Files that cannot be opened for writing (read-only, or held by a program that shares
// nothing) are passed over.
void FlushEachFileUnder(ErrorState& state, const Text& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE search = INVALID_HANDLE_VALUE;
  win32::Call([&] { search = FindFirstFileA((folder + "\\*").c_str(), &entry); });
  if (search == INVALID_HANDLE_VALUE) return;
  BOOL more = TRUE;
  while (more) {
    const Text name = entry.cFileName;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      Flush(state, folder + "\\" + name);
    } else if (name != "." && name != "..") {
      FlushEachFileUnder(state, folder + "\\" + name);
    }
    win32::Call([&] { more = FindNextFileA(search, &entry); });
  }
  win32::Call([&] { FindClose(search); });
}

}  // namespace

// The platform documents the flush of a file's handle, not of a folder's, and a folder may not
// be opened for writing at all (by an account without the right, on a share): a folder that
// refuses is passed over, as each of its new files was flushed under its name already.
void win32::FlushFolder(const Text& folder) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  win32::Call([&] {
    handle = CreateFileA(folder.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  });
  if (handle != INVALID_HANDLE_VALUE) FlushAndClose(handle);
}

void win32::NoteChangedFolder(const Text& folder) {
  ChangedFolders().insert(folder);
}

// A copy that a scanner reads for a moment is opened once the scanner lets go.
DWORD win32::FlushFile(const Text& path, const std::wstring& longPath) {
  HANDLE file = INVALID_HANDLE_VALUE;
  const DWORD error = win32::CallPatiently([&] {
    file = OpenShared(path, longPath);
    return file != INVALID_HANDLE_VALUE;
  });
  if (file == INVALID_HANDLE_VALUE) return error != 0 ? error : ERROR_GEN_FAILURE;
  return FlushAndClose(file);
}

// MOVEFILE_WRITE_THROUGH flushes only a move made as a copy and a delete: a rename within the
// volume lasts once the file, opened again under its new name, is flushed, which puts its
// entry on the disk with its data, on NTFS and FAT alike. A failed flush is the copy's failure,
// although the target holds the new data: a power cut may still take the rename back.
void win32::MakeLastUnderItsName(ErrorState& state, const Text& target,
                                 const std::wstring& longTarget) {
  NoteChangedFolder(dos::FolderOf(target));
  const DWORD error = FlushFile(target, longTarget);
  Succeeded(state, error == 0, error);
}

void WriteDurablyInto(ErrorState& state, const Text& folder, const std::function<void()>& work) {
  work();
  if (state.number != 0) return;
  if (!FlushVolumeOf(folder)) FlushEachFileUnder(state, folder);
}

void MakeCopiesDurable(ErrorState&) {
  for (const Text& folder : ChangedFolders()) win32::FlushFolder(folder);
  ChangedFolders().clear();
}

}  // namespace quelb
