// Copying a file: the source, opened once for reading and held until the rename, is written
// into a temporary file in the target's folder through the handle that made it, which is then
// given the source's time and flushed to the disk; the file then takes the target's place with
// MoveFileExA and is flushed again under its new name (internal/temporary_file.h). A copy that
// may wait does the last three steps with the others of its batch (waiting_copies.cpp). Holding
// the source keeps others from writing it and makes a copy of a file onto itself find its
// target in use. A read-only or held target refuses to be replaced and stays as it was;
// whatever fails, no temporary file is left behind.
#include <memory>
#include <string>
#include <utility>

#include "services/dos_path.h"
#include "services/files.h"
#include "services/win32/internal/copy_names.h"
#include "services/win32/internal/durability.h"
#include "services/win32/internal/temporary_file.h"
#include "services/win32/internal/waiting_copies.h"

namespace quelb {
namespace {

HANDLE KeepOpenForReading(ErrorState& state, const Text& source) {
  HANDLE file = INVALID_HANDLE_VALUE;
  const DWORD error = win32::Call([&] {
    file = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  });
  if (file == INVALID_HANDLE_VALUE) win32::Succeeded(state, false, error);
  return file;
}

// What the source tells of itself through the handle that reads it.
struct Stamp {
  DWORD attributes = 0;
  ULONGLONG size = 0;
  FILETIME written{};
};

bool ReadStamp(HANDLE file, Stamp& stamp) {
  BY_HANDLE_FILE_INFORMATION information{};
  BOOL read = FALSE;
  win32::Call([&] { read = GetFileInformationByHandle(file, &information); });
  if (!read) return false;
  stamp.attributes = information.dwFileAttributes;
  stamp.size = (ULONGLONG{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
  stamp.written = information.ftLastWriteTime;
  return true;
}

// A source that changed while it was copied, as a file still being downloaded does, is not
// delivered: someone else was writing it. Its size and last write time are read at the start
// and again at the end, and the copy must hold as many bytes as the source told at the start.
// Writers that the share mode keeps out are not the only ones: a file server may let others
// write, and a file of the host under Wine may tell another size than its data has. A source
// whose handle tells nothing is copied without the watch and without its time.
bool StayedAsItWas(ErrorState& state, HANDLE source, const Stamp& start, ULONGLONG copied) {
  Stamp end;
  const bool stayed = ReadStamp(source, end) && end.size == start.size &&
                      end.written.dwLowDateTime == start.written.dwLowDateTime &&
                      end.written.dwHighDateTime == start.written.dwHighDateTime &&
                      copied == start.size;
  return win32::Succeeded(state, stayed, stayed ? 0 : ERROR_SHARING_VIOLATION);
}

// The attributes that Windows' copy carries over, but never read-only: every file on a CD-ROM
// is, and the next run must be able to replace what this one delivered.
DWORD DeliveredAttributes(DWORD source) {
  constexpr DWORD kCarried = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                             FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD carried = source & kCarried;
  return carried != 0 ? carried : FILE_ATTRIBUTE_NORMAL;
}

// Windows refuses to replace a read-only file, but Wine renames over one all the same, so the
// attribute is asked before anything is written.
bool TargetIsNotReadOnly(ErrorState& state, const Text& target, const std::wstring& longTarget) {
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  win32::Call([&] {
    attributes = longTarget.empty() ? GetFileAttributesA(target.c_str())
                                    : GetFileAttributesW(longTarget.c_str());
  });
  const bool readOnly =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  return win32::Succeeded(state, !readOnly, readOnly ? ERROR_ACCESS_DENIED : 0);
}

// Whether the new file may wait to take its target's place with others, or takes it now.
enum class Finish { kNow, kMayWait };

// Writes the new file under its temporary name, complete and checked.
bool Write(ErrorState& state, win32::WaitingCopy& copy) {
  const HANDLE source = copy.heldSource.Get();
  Stamp start;
  const bool watching = ReadStamp(source, start);
  win32::TemporaryFile& temporary = *copy.temporary;
  ULONGLONG copied = 0;
  if (!TargetIsNotReadOnly(state, copy.target, copy.longTarget) ||
      !temporary.Create(state, dos::FolderOf(copy.target), DeliveredAttributes(start.attributes)) ||
      !temporary.Fill(state, source, copied)) {
    return false;
  }
  return !watching || (StayedAsItWas(state, source, start, copied) &&
                       temporary.TakeWriteTime(state, start.written));
}

// True when the copy waits.
bool Copy(ErrorState& state, const Text& source, const Text& target, Finish finish) {
  win32::WaitingCopy copy{win32::OwnedHandle(KeepOpenForReading(state, source)),
                          std::make_unique<win32::TemporaryFile>(), target,
                          win32::LongTargetFor(source, target)};
  if (!copy.heldSource.Valid() || !Write(state, copy)) return false;
  if (finish == Finish::kMayWait) {
    win32::KeepWaiting(std::move(copy));
    return true;
  }
  win32::TemporaryFile& temporary = *copy.temporary;
  if (temporary.Flush(state) && temporary.Replace(state, target, copy.longTarget)) {
    win32::MakeLastUnderItsName(state, target, copy.longTarget);
  }
  return false;
}

}  // namespace

void CopyFileTo(ErrorState& state, const Text& source, const Text& target) {
  Copy(state, source, target, Finish::kNow);
}

bool StartCopy(ErrorState& state, const Text& source, const Text& target) {
  return Copy(state, source, target, Finish::kMayWait);
}

}  // namespace quelb
