#include "services/win32/internal/temporary_file.h"

#include "services/backend.h"
#include "services/win32/internal/brief_holds.h"
#include "services/win32/internal/durability.h"
#include "services/win32/internal/temporary_copies.h"
#include "services/win32/internal/wide_names.h"

namespace quelb::win32 {
namespace {

constexpr DWORD kReplace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

// Small enough that a piece from a diskette or a slow share takes a second or two: the queue
// is looked at between pieces, so that the window is never shown as not responding during a
// long copy and closed, in the middle of it, by an operator who waits.
constexpr DWORD kPiece = 64 * 1024;

bool WriteAll(ErrorState& state, HANDLE file, const char* data, DWORD size) {
  while (size > 0) {
    DWORD wrote = 0;
    BOOL done = FALSE;
    const DWORD error = Call([&] { done = WriteFile(file, data, size, &wrote, nullptr); });
    if (!done || wrote == 0) return Succeeded(state, false, done ? ERROR_WRITE_FAULT : error);
    data += wrote;
    size -= wrote;
  }
  return true;
}

}  // namespace

TemporaryFile::~TemporaryFile() {
  file_.Close();
  if (!path_.empty()) RemoveTemporaryCopy(path_);
}

bool TemporaryFile::Create(ErrorState& state, const Text& folder, DWORD attributes) {
  static unsigned count = 0;
  RemoveLeftoverCopies(folder);
  for (;;) {
    const Text path = TemporaryCopyIn(folder, ++count);
    HANDLE file = INVALID_HANDLE_VALUE;
    const DWORD error = Call([&] {
      file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
    });
    if (file == INVALID_HANDLE_VALUE && error == ERROR_FILE_EXISTS) continue;
    if (file == INVALID_HANDLE_VALUE) return Succeeded(state, false, error);
    file_ = OwnedHandle(file);
    path_ = path;
    return true;
  }
}

bool TemporaryFile::Fill(ErrorState& state, HANDLE source, ULONGLONG& written) {
  static char piece[kPiece];
  written = 0;
  for (;;) {
    DWORD read = 0;
    BOOL done = FALSE;
    const DWORD error = Call([&] { done = ReadFile(source, piece, kPiece, &read, nullptr); });
    if (!done) return Succeeded(state, false, error);
    if (read == 0) return true;
    if (!WriteAll(state, file_.Get(), piece, read)) return false;
    written += read;
    platform::LookAtMessageQueue();
  }
}

// Windows' own copy gives the new file the source's last write time, which the next run
// compares.
bool TemporaryFile::TakeWriteTime(ErrorState& state, const FILETIME& written) {
  BOOL set = FALSE;
  const DWORD error = Call([&] { set = SetFileTime(file_.Get(), nullptr, nullptr, &written); });
  return Succeeded(state, set, set ? 0 : error);
}

// MOVEFILE_WRITE_THROUGH flushes only a move made as a copy and a delete, not a rename within
// the volume, so the copy's data reach the disk before the copy takes the target's place.
bool TemporaryFile::Flush(ErrorState& state) {
  const DWORD error = FlushOpenFile(file_.Get());
  file_.Close();
  return Succeeded(state, error == 0, error);
}

bool TemporaryFile::Replace(ErrorState& state, const Text& target, const std::wstring& longTarget) {
  BOOL moved = FALSE;
  const DWORD error = CallPatiently([&] {
    moved = longTarget.empty() ? MoveFileExA(path_.c_str(), target.c_str(), kReplace)
                               : MoveFileExW(Widened(path_).c_str(), longTarget.c_str(), kReplace);
    return moved != FALSE;
  });
  if (!Succeeded(state, moved, moved ? 0 : error)) return false;
  path_.clear();
  return true;
}

}  // namespace quelb::win32
