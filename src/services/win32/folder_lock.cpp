// Folder locks on Windows: the lock file is opened with share mode 0, which every file server
// enforces for all its clients, and goes when its handle is closed, also by the end of a
// killed process. As no one else can open it, who holds it is told by a second hidden file
// beside it, open as long as the lock and gone with it. A lock file that is there and that this
// account cannot open is held as well: its holder may be closing it (a delete pending refuses
// every open for a moment), or a crash or power cut left it where only its owner may open it.
#include "services/folder_lock.h"

#include <memory>
#include <string>
#include <vector>

#include "services/backend.h"
#include "services/log_file.h"
#include "services/process.h"
#include "services/win32/internal/brief_holds.h"
#include "services/win32/internal/call.h"
#include "services/windows_codes.h"

namespace quelb {
namespace {

constexpr const char* kHolderName = ".setup-run.who";
constexpr DWORD kNoSharing = 0;
constexpr DWORD kReadersOnly = FILE_SHARE_READ | FILE_SHARE_DELETE;
constexpr DWORD kAnySharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kGoesWithHandle = FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE;
constexpr DWORD kLongestHolder = 512;
// How long a lock file or a holder's file that refuses its open is tried again.
constexpr DWORD kLockPatience = 1000;

struct HeldLock {
  HANDLE file = INVALID_HANDLE_VALUE;
  HANDLE holder = INVALID_HANDLE_VALUE;
  Text key;
};

// The locks this process holds, by the identity of their folder: a second open of the same
// lock file by this process would be refused like anyone else's.
std::vector<HeldLock*>& HeldLocks() {
  static std::vector<HeldLock*> held;
  return held;
}

bool HeldHere(const Text& key) {
  for (const HeldLock* lock : HeldLocks()) {
    if (lock->key == key) return true;
  }
  return false;
}

HANDLE Open(const Text& path, DWORD access, DWORD sharing, DWORD disposition, DWORD flags,
            DWORD& error) {
  HANDLE file = INVALID_HANDLE_VALUE;
  error = win32::Call([&] {
    file = CreateFileA(path.c_str(), access, sharing, nullptr, disposition, flags, nullptr);
  });
  return file;
}

void CloseQuietly(HANDLE file) {
  if (file != INVALID_HANDLE_VALUE) win32::Call([&] { CloseHandle(file); });
}

Text FullPathOf(const Text& folder) {
  char full[MAX_PATH * 2] = {};
  const DWORD length = GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
  Text key = length > 0 && length < sizeof full ? Text(full, length) : folder;
  while (key.size() > 3 && (key.back() == '\\' || key.back() == '/')) key.pop_back();
  return UpperText(key);
}

// The folder's volume and file index, the same under each of its names: a short name, another
// drive letter that maps it, a trailing dot. It is asked of the folder the lock file goes in.
// Empty where they cannot be read, as on a file system that gives no index.
Text IdentityOf(const Text& folder) {
  DWORD error = 0;
  const HANDLE handle = Open(folder + "\\.", FILE_READ_ATTRIBUTES, kAnySharing, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, error);
  if (handle == INVALID_HANDLE_VALUE) return {};
  BY_HANDLE_FILE_INFORMATION info{};
  BOOL read = FALSE;
  win32::Call([&] { read = GetFileInformationByHandle(handle, &info); });
  CloseQuietly(handle);
  if (!read || (info.nFileIndexHigh == 0 && info.nFileIndexLow == 0)) return {};
  return "volume " + std::to_string(info.dwVolumeSerialNumber) + ", file " +
         std::to_string(info.nFileIndexHigh) + ":" + std::to_string(info.nFileIndexLow);
}

// The folder's identity, or its full path in upper case where it has none to read.
Text KeyOf(const Text& folder) {
  const Text identity = IdentityOf(folder);
  return identity.empty() ? FullPathOf(folder) : identity;
}

// Its writer holds it open for writing as long as the lock, and lets others read it only: a
// file that can be opened while writing is refused was left by a past holder, a crash or a
// power cut, and names nobody who works there now.
bool HolderIsWritten(const Text& folder) {
  DWORD error = 0;
  const HANDLE file = Open(folder + "\\" + kHolderName, GENERIC_READ, kReadersOnly, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, error);
  CloseQuietly(file);
  return file == INVALID_HANDLE_VALUE && error == ERROR_SHARING_VIOLATION;
}

Text ReadHolder(const Text& folder) {
  if (!HolderIsWritten(folder)) return {};
  DWORD error = 0;
  const HANDLE file = Open(folder + "\\" + kHolderName, GENERIC_READ, kAnySharing, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, error);
  if (file == INVALID_HANDLE_VALUE) return {};
  char buffer[kLongestHolder];
  DWORD got = 0;
  win32::Call([&] { ReadFile(file, buffer, sizeof buffer, &got, nullptr); });
  CloseQuietly(file);
  Text holder(buffer, got);
  while (!holder.empty() && (holder.back() == '\n' || holder.back() == '\r')) holder.pop_back();
  return holder;
}

Text Now() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char text[32] = {};
  wsprintfA(text, "%04u-%02u-%02u %02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
            now.wMinute);
  return text;
}

// What it says is only for the operator of another run, so a failure to write it is no
// failure of the lock: a file left there that cannot be written anew is held by no writer,
// and names nobody. A reader asking whether it is held keeps it from being written for that
// moment.
void WriteHolder(const Text& folder, HeldLock& lock) {
  DWORD error = 0;
  win32::Patience patience(kLockPatience);
  do {
    lock.holder = Open(folder + "\\" + kHolderName, GENERIC_WRITE, kReadersOnly, CREATE_ALWAYS,
                       kGoesWithHandle, error);
  } while (lock.holder == INVALID_HANDLE_VALUE && error == ERROR_SHARING_VIOLATION &&
           patience.Pause());
  if (lock.holder == INVALID_HANDLE_VALUE) return;
  const Text text =
      FolderLockHolder(EnvironmentValue("USERNAME"), MachineName(), GetCurrentProcessId(), Now()) +
      "\r\n";
  DWORD written = 0;
  win32::Call([&] {
    WriteFile(lock.holder, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  });
}

bool RefusedAsHeld(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Found by the folder's listing, which also names a file whose delete is pending.
bool LockFileIsThere(const Text& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE search = INVALID_HANDLE_VALUE;
  win32::Call([&] { search = FindFirstFileA((folder + "\\" + kFolderLockName).c_str(), &entry); });
  if (search == INVALID_HANDLE_VALUE) return false;
  win32::Call([&] { FindClose(search); });
  return true;
}

HANDLE OpenLockFile(const Text& folder, DWORD& error) {
  return Open(folder + "\\" + kFolderLockName, GENERIC_READ | GENERIC_WRITE, kNoSharing,
              OPEN_ALWAYS, kGoesWithHandle, error);
}

// A lock file that is there but refuses its open for another reason than its holder's share
// mode is tried again for a moment, with growing pauses: a holder that is closing it has let
// it go by then.
HANDLE OpenWithinAMoment(const Text& folder, DWORD& error) {
  win32::Patience patience(kLockPatience);
  HANDLE file = OpenLockFile(folder, error);
  while (file == INVALID_HANDLE_VALUE && !RefusedAsHeld(error) && LockFileIsThere(folder) &&
         patience.Pause()) {
    file = OpenLockFile(folder, error);
  }
  return file;
}

}  // namespace

FolderLockAnswer LockFolderOnHost(ErrorState& state, const Text& folder, FolderLockHandle& handle,
                                  Text& holder) {
  auto lock = std::make_unique<HeldLock>();
  lock->key = KeyOf(folder);
  if (HeldHere(lock->key)) return FolderLockAnswer::kTaken;
  DWORD error = 0;
  lock->file = OpenWithinAMoment(folder, error);
  if (lock->file == INVALID_HANDLE_VALUE) {
    const bool held = RefusedAsHeld(error);
    if (!held && !LockFileIsThere(folder)) return FolderLockAnswer::kNotLockable;
    StoreWindowsError(state, wincode::kLockViolation, static_cast<int>(error));
    if (!held) return FolderLockAnswer::kHeldUnopenable;
    holder = ReadHolder(folder);
    return FolderLockAnswer::kHeldElsewhere;
  }
  WriteHolder(folder, *lock);
  HeldLocks().push_back(lock.get());
  handle = reinterpret_cast<FolderLockHandle>(lock.release());
  return FolderLockAnswer::kTaken;
}

void UnlockFolder(FolderLockHandle handle) {
  if (handle == kNoFolderLock) return;
  HeldLock* lock = reinterpret_cast<HeldLock*>(handle);
  CloseQuietly(lock->holder);
  CloseQuietly(lock->file);
  std::erase(HeldLocks(), lock);
  delete lock;
}

}  // namespace quelb
