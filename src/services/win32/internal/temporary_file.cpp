#include "services/win32/internal/temporary_file.h"

#include <utility>

#include "services/backend.h"
#include "services/win32/internal/brief_holds.h"
#include "services/win32/internal/durability.h"
#include "services/win32/internal/temporary_copies.h"
#include "services/win32/internal/wide_names.h"

namespace quelb::win32 {
namespace {

constexpr DWORD kReplace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

// The copy looks at the queue between its pieces: one that took no messages until it ended, as
// CopyFileA's does, would have the window shown as not responding during a long copy from a
// diskette or a slow share, and closed by an operator who waits, in the middle of the copy.
DWORD CALLBACK LookAtQueueWhileCopying(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER,
                                       DWORD, DWORD, HANDLE, HANDLE, LPVOID) {
  platform::LookAtMessageQueue();
  return PROGRESS_CONTINUE;
}

}  // namespace

TemporaryFile::~TemporaryFile() {
  if (!path_.empty()) RemoveTemporaryCopy(path_);
}

// The copy makes the new file itself, under a name that no file has yet: a name that is taken
// (by what an ended run of the same process number left) is passed over. What a failed try
// left under the name is this copy's own, and the next try writes over it.
bool TemporaryFile::Fill(ErrorState& state, const Text& folder, const Text& source) {
  static unsigned count = 0;
  RemoveLeftoverCopies(folder);
  const Text place = PlaceOfTemporaryCopies(folder);
  for (;;) {
    path_ = TemporaryCopyIn(place, ++count);
    DWORD flags = COPY_FILE_FAIL_IF_EXISTS;
    BOOL copied = FALSE;
    const DWORD error = CallPatiently([&] {
      copied = CopyFileExA(source.c_str(), path_.c_str(), LookAtQueueWhileCopying, nullptr, nullptr,
                           std::exchange(flags, 0));
      return copied != FALSE;
    });
    if (!copied && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)) continue;
    return Succeeded(state, copied, copied ? 0 : error);
  }
}

// Read by name, which opens no handle.
bool TemporaryFile::ReadAttributes(ErrorState& state, WIN32_FILE_ATTRIBUTE_DATA& data) const {
  BOOL read = FALSE;
  const DWORD error =
      Call([&] { read = GetFileAttributesExA(path_.c_str(), GetFileExInfoStandard, &data); });
  return Succeeded(state, read, read ? 0 : error);
}

// CopyFileA gives the copy the source's attributes, and every file on a CD-ROM is read-only:
// the next run must be able to replace what this one delivered.
bool TemporaryFile::DropReadOnly(ErrorState& state, DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
  attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  BOOL set = FALSE;
  const DWORD error = Call([&] {
    set = SetFileAttributesA(path_.c_str(), attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
  });
  return Succeeded(state, set, set ? 0 : error);
}

// MOVEFILE_WRITE_THROUGH flushes only a move made as a copy and a delete, not a rename within
// the volume, so the copy's data reach the disk before the copy takes the target's place.
bool TemporaryFile::Flush(ErrorState& state) {
  const DWORD error = FlushFile(path_);
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
