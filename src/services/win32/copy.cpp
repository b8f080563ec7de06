// Copying a file: CopyFileExA into a temporary file in the target's folder, which, made writable
// and flushed to the disk, then takes the target's place with MoveFileExA and is flushed again
// under its new name (internal/temporary_file.h); a copy that may wait does the last three
// steps with the others of its batch (waiting_copies.cpp). The source stays open for reading
// until the rename, so that a copy of a file onto itself finds its target in use. A read-only
// or held target refuses to be replaced and stays as it was; whatever fails, no temporary file
// is left behind.
#include <memory>
#include <string>
#include <utility>

#include "services/dos_path.h"
#include "services/files.h"
#include "services/win32/internal/copy_names.h"
#include "services/win32/internal/durability.h"
#include "services/win32/internal/temporary_copies.h"
#include "services/win32/internal/temporary_file.h"
#include "services/win32/internal/waiting_copies.h"

namespace quelb {
namespace {

HANDLE KeepOpenForReading(ErrorState& state, const Text& source) {
  HANDLE file = INVALID_HANDLE_VALUE;
  const DWORD error = win32::Call([&] {
    file = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  });
  if (file == INVALID_HANDLE_VALUE) win32::Succeeded(state, false, error);
  return file;
}

struct Stamp {
  DWORD sizeLow = 0;
  DWORD sizeHigh = 0;
  FILETIME written{};
};

bool operator==(const Stamp& a, const Stamp& b) {
  return a.sizeLow == b.sizeLow && a.sizeHigh == b.sizeHigh &&
         a.written.dwLowDateTime == b.written.dwLowDateTime &&
         a.written.dwHighDateTime == b.written.dwHighDateTime;
}

bool ReadStamp(HANDLE file, Stamp& stamp) {
  DWORD error = 0;
  win32::Call([&] {
    stamp.sizeLow = GetFileSize(file, &stamp.sizeHigh);
    error = GetLastError();
    if (!GetFileTime(file, nullptr, nullptr, &stamp.written)) error = GetLastError();
  });
  return error == 0;
}

// A source that changed while it was copied, as a file still being downloaded does, is not
// delivered: someone else was writing it. Its size and last write time are read at the start
// and again at the end through the handle that holds it, and the copy must hold as many bytes
// as the source told at the start. Writers that the share mode keeps out are not the only
// ones: a file server may let others write, and a file of the host under Wine may tell another
// size than its data has.
class SourceWatch {
 public:
  explicit SourceWatch(HANDLE held) : file_(held) { watching_ = ReadStamp(file_, start_); }

  bool StayedAsItWas(ErrorState& state, const WIN32_FILE_ATTRIBUTE_DATA& copied) const {
    if (!watching_) return true;
    Stamp end;
    const bool stayed = ReadStamp(file_, end) && end == start_ &&
                        copied.nFileSizeLow == start_.sizeLow &&
                        copied.nFileSizeHigh == start_.sizeHigh;
    return win32::Succeeded(state, stayed, stayed ? 0 : ERROR_SHARING_VIOLATION);
  }

 private:
  HANDLE file_;
  Stamp start_;
  bool watching_ = false;
};

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

// True when the copy waits.
bool Copy(ErrorState& state, const Text& source, const Text& target, Finish finish) {
  win32::WaitingCopy copy{win32::OwnedHandle(KeepOpenForReading(state, source)),
                          std::make_unique<win32::TemporaryFile>(), target,
                          win32::LongTargetFor(source, target)};
  if (!copy.heldSource.Valid()) return false;
  const SourceWatch watch(copy.heldSource.Get());
  win32::TemporaryFile& temporary = *copy.temporary;
  WIN32_FILE_ATTRIBUTE_DATA written{};
  if (!TargetIsNotReadOnly(state, target, copy.longTarget) ||
      !temporary.Fill(state, dos::FolderOf(target), source) ||
      !temporary.ReadAttributes(state, written) || !watch.StayedAsItWas(state, written) ||
      !temporary.DropReadOnly(state, written.dwFileAttributes)) {
    return false;
  }
  if (finish == Finish::kMayWait) {
    win32::KeepWaiting(std::move(copy));
    return true;
  }
  if (temporary.Flush(state) && temporary.Replace(state, target, copy.longTarget)) {
    win32::MakeLastUnderItsName(state, target, copy.longTarget);
  }
  return false;
}

}  // namespace

void CopyFileTo(ErrorState& state, const Text& source, const Text& target) {
  Copy(state, source, target, Finish::kNow);
  win32::RemoveFoldersOfCopies();
}

bool StartCopy(ErrorState& state, const Text& source, const Text& target) {
  return Copy(state, source, target, Finish::kMayWait);
}

}  // namespace quelb
