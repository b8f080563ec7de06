// Copying a file: CopyFileExA into a temporary file in the target's folder, which, made writable
// and flushed to the disk, then takes the target's place with MoveFileExA and is flushed again
// under its new name. The source stays open for reading meanwhile, so that a copy of a file
// onto itself finds its target in use. A read-only or held target refuses to be replaced and
// stays as it was; whatever fails, no temporary file is left behind. A scanner that reads the
// new file, or the old one, for a moment is waited for at each step (internal/brief_holds.h).
#include <string>

#include "services/backend.h"
#include "services/dos_path.h"
#include "services/files.h"
#include "services/win32/internal/brief_holds.h"
#include "services/win32/internal/copy_names.h"
#include "services/win32/internal/durability.h"
#include "services/win32/internal/temporary_copies.h"
#include "services/win32/internal/wide_names.h"

namespace quelb {
namespace {

constexpr DWORD kReplace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

HANDLE KeepOpenForReading(ErrorState& state, const Text& source) {
  HANDLE file = INVALID_HANDLE_VALUE;
  const DWORD error = win32::Call([&] {
    file = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  });
  if (file == INVALID_HANDLE_VALUE) win32::Succeeded(state, false, error);
  return file;
}

// The copy looks at the queue between its pieces: one that took no messages until it ended, as
// CopyFileA's does, would have the window shown as not responding during a long copy from a
// diskette or a slow share, and closed by an operator who waits, in the middle of the copy.
DWORD CALLBACK LookAtQueueWhileCopying(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER,
                                       DWORD, DWORD, HANDLE, HANDLE, LPVOID) {
  platform::LookAtMessageQueue();
  return PROGRESS_CONTINUE;
}

// A new, empty file of a unique name in the target's folder, removed again unless it has
// taken the target's place.
class TemporaryFile {
 public:
  ~TemporaryFile() {
    if (!path_.empty()) win32::RemoveTemporaryCopy(path_);
  }

  // An existing name is passed over. A missing folder fails here as the copy itself would.
  bool Create(ErrorState& state, const Text& folder) {
    static unsigned count = 0;
    win32::RemoveLeftoverCopies(folder);
    for (;;) {
      const Text path = win32::TemporaryCopyIn(folder, ++count);
      HANDLE file = INVALID_HANDLE_VALUE;
      const DWORD error = win32::Call([&] {
        file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
      });
      if (file == INVALID_HANDLE_VALUE && error == ERROR_FILE_EXISTS) continue;
      if (file == INVALID_HANDLE_VALUE) return win32::Succeeded(state, false, error);
      win32::Call([&] { CloseHandle(file); });
      path_ = path;
      return true;
    }
  }

  bool Fill(ErrorState& state, const Text& source) {
    BOOL copied = FALSE;
    const DWORD error = win32::CallPatiently([&] {
      copied =
          CopyFileExA(source.c_str(), path_.c_str(), LookAtQueueWhileCopying, nullptr, nullptr, 0);
      return copied != FALSE;
    });
    return win32::Succeeded(state, copied, copied ? 0 : error);
  }

  const Text& Path() const { return path_; }

  // CopyFileA gives the copy the source's attributes, and every file on a CD-ROM is read-only:
  // a delivered file is never read-only because its source was, so the next run replaces it.
  bool DropReadOnly(ErrorState& state) {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    DWORD error = win32::Call([&] { attributes = GetFileAttributesA(path_.c_str()); });
    const bool read = attributes != INVALID_FILE_ATTRIBUTES;
    if (!win32::Succeeded(state, read, read ? 0 : error)) return false;
    if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
    attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    BOOL set = FALSE;
    error = win32::Call([&] {
      set = SetFileAttributesA(path_.c_str(), attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
    });
    return win32::Succeeded(state, set, set ? 0 : error);
  }

  // MOVEFILE_WRITE_THROUGH flushes only a move made as a copy and a delete, not a rename within
  // the volume, so the copy's data reach the disk before the copy takes the target's place.
  bool Flush(ErrorState& state) {
    const DWORD error = win32::FlushFile(path_);
    return win32::Succeeded(state, error == 0, error);
  }

  // A long target name is the wide one that the code page cannot spell.
  bool Replace(ErrorState& state, const Text& target, const std::wstring& longTarget) {
    BOOL moved = FALSE;
    const DWORD error = win32::CallPatiently([&] {
      moved = longTarget.empty()
                  ? MoveFileExA(path_.c_str(), target.c_str(), kReplace)
                  : MoveFileExW(win32::Widened(path_).c_str(), longTarget.c_str(), kReplace);
      return moved != FALSE;
    });
    if (!win32::Succeeded(state, moved, moved ? 0 : error)) return false;
    path_.clear();
    return true;
  }

 private:
  Text path_;
};

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

// Opened for its attributes alone, so that it keeps nobody from reading, writing or deleting.
HANDLE OpenForStamp(const Text& path) {
  HANDLE file = INVALID_HANDLE_VALUE;
  win32::Call([&] {
    file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  });
  return file;
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
// and again at the end, and the copy must hold as many bytes as the source told at the start.
// Writers that the share mode keeps out are not the only ones: a file server may let others
// write, and a file of the host under Wine may tell another size than its data has.
class SourceWatch {
 public:
  explicit SourceWatch(const Text& source) : file_(OpenForStamp(source)) {
    watching_ = file_ != INVALID_HANDLE_VALUE && ReadStamp(file_, start_);
  }
  ~SourceWatch() {
    if (file_ != INVALID_HANDLE_VALUE) win32::Call([&] { CloseHandle(file_); });
  }
  SourceWatch(const SourceWatch&) = delete;
  SourceWatch& operator=(const SourceWatch&) = delete;

  bool StayedAsItWas(ErrorState& state, const Text& copy) const {
    if (!watching_) return true;
    Stamp end;
    Stamp copied;
    bool stayed = ReadStamp(file_, end) && end == start_;
    if (stayed) {
      HANDLE written = OpenForStamp(copy);
      stayed = written != INVALID_HANDLE_VALUE && ReadStamp(written, copied) &&
               copied.sizeLow == start_.sizeLow && copied.sizeHigh == start_.sizeHigh;
      if (written != INVALID_HANDLE_VALUE) win32::Call([&] { CloseHandle(written); });
    }
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

// MOVEFILE_WRITE_THROUGH flushes only a move made as a copy and a delete: a rename within the
// volume lasts once the file, opened again under its new name, is flushed, which puts its
// entry on the disk with its data, on NTFS and FAT alike. A failed flush is the copy's failure,
// although the target holds the new data: a power cut may still take the rename back.
void MakeLastUnderItsName(ErrorState& state, const Text& target, const std::wstring& longTarget) {
  win32::NoteChangedFolder(dos::FolderOf(target));
  const DWORD error = win32::FlushFile(target, longTarget);
  win32::Succeeded(state, error == 0, error);
}

}  // namespace

void CopyFileTo(ErrorState& state, const Text& source, const Text& target) {
  const SourceWatch watch(source);
  HANDLE held = KeepOpenForReading(state, source);
  if (held == INVALID_HANDLE_VALUE) return;
  {
    const std::wstring longTarget = win32::LongTargetFor(source, target);
    TemporaryFile temporary;
    if (TargetIsNotReadOnly(state, target, longTarget) &&
        temporary.Create(state, dos::FolderOf(target)) && temporary.Fill(state, source) &&
        watch.StayedAsItWas(state, temporary.Path()) && temporary.DropReadOnly(state) &&
        temporary.Flush(state) && temporary.Replace(state, target, longTarget)) {
      MakeLastUnderItsName(state, target, longTarget);
    }
  }
  win32::Call([&] { CloseHandle(held); });
}

// Each copy is flushed by itself before it takes the target's place and again after, so none
// waits.
bool StartCopy(ErrorState& state, const Text& source, const Text& target) {
  CopyFileTo(state, source, target);
  return false;
}

}  // namespace quelb
