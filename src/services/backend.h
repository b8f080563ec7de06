// The catalogue of what a services backend (posix/ or win32/) defines: every function, grouped
// by the file of the backend that defines it, each backend using the same file names. The
// functions that the engine and the start-up call keep their declarations and comments in the
// interface headers included here. The others, which the portable services and the backends
// themselves call (LookAtMessageQueue also the Win32 dialog backend), are declared here, and a
// file that defines or calls one includes this header for it.
//
// A backend's folder holds these files and no others. What its files share among themselves
// lies in its internal/ folder, each header there named after the source that defines what it
// declares: a helper of the backend's own (internal/host_paths.cpp), or one of the files below
// where it offers the others more than the catalogue (internal/folder_lock.h for folder_lock.cpp).
//
//   listing.cpp         ListFirst, ListNext                                  (files.h)
//                       platform::kHostSeparator                             (below)
//   path_limit.cpp      PathTooLong, CopyPathTooLong                         (files.h)
//   folders.cpp         MakeFolder, ReachedThroughAnotherAccountsLink        (files.h)
//   copy.cpp            CopyFileTo, StartCopy                                (files.h)
//   waiting_copies.cpp  ShouldFinishCopies, FinishCopies                     (files.h)
//   durability.cpp      MakeCopiesDurable, WriteDurablyInto                  (files.h)
//   file_io.cpp         platform::OpenExclusive, OpenForReading, FileLength,
//                       ReadAt, Close                                        (below)
//   mapped_scan.cpp     platform::ScanMapped                                 (below)
//   own_files.cpp       MakeHiddenFolder, RoomOnVolumeOf                     (own_files.h)
//   folder_lock.cpp     LockFolderOnHost (below), UnlockFolder               (folder_lock.h)
//   journal_files.cpp   IdentityOf, SizeAndTimeOf, RenameWithoutReplacing,
//                       RemoveFile, RemoveEmptyFolder, WriteFileDurably,
//                       SyncFolderEntries                                    (journal_files.h)
//   process.cpp         RunCommand                                           (process.h)
//   environment.cpp     EnvironmentValue, EnvironmentFault, CommandTail,
//                       CurrentFolder, ChangeDrive, ChangeFolder,
//                       PathLookupBatch                                      (process.h)
//   message_queue.cpp   platform::LookAtMessageQueue, Windows only           (below)
//   log_file.cpp        OpenToAppend, AppendText, CloseAppended              (log_file.h)
//   host_facts.cpp      AccountName, MachineName, SystemName                 (log_file.h)
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "services/error.h"
#include "services/files.h"
#include "services/folder_lock.h"
#include "services/process.h"
#include "services/text.h"

namespace quelb {

// What the backend does for LockFolder, which has cleared handle and holder before.
FolderLockAnswer LockFolderOnHost(ErrorState& state, const Text& folder, FolderLockHandle& handle,
                                  Text& holder);

}  // namespace quelb

namespace quelb::platform {

// The separator of the host's own paths, "/" on POSIX and "\" on Windows, which ends a folder in
// a listing mask as "\" does (dos::FullMask).
extern const char kHostSeparator;

}  // namespace quelb::platform

// What the backend gives the portable file table: an exclusive open under the in-use test and
// plain access through the handle it returns.
namespace quelb::platform {

using FileHandle = intptr_t;

// On failure stores the error and returns false; the handle is then untouched.
bool OpenExclusive(ErrorState& state, const Text& path, Access access, FileHandle& handle);
// Opens an existing regular file to read it, shared with other readers alone, and creates
// nothing; a folder fails with 70 and a missing file with 53. On failure stores the error
// and returns false; the handle is then untouched.
bool OpenForReading(ErrorState& state, const Text& path, FileHandle& handle);
int64_t FileLength(ErrorState& state, FileHandle handle);
// Reads up to count bytes at position into the caller's buffer and returns how many it read:
// fewer at the end of the file, 0 on failure.
int64_t ReadAt(ErrorState& state, FileHandle handle, int64_t position, char* into, int64_t count);
// ScanFile from position through views of the file itself, where the platform maps files;
// returns the count of bytes handed over, or -1, with nothing handed over, where the file
// cannot be mapped and is to be read instead.
int64_t ScanMapped(ErrorState& state, FileHandle handle, int64_t position,
                   const std::function<bool(std::string_view)>& take);
void Close(ErrorState& state, FileHandle handle);

// Windows only. Looks at the thread's message queue and takes nothing from it: the system sees
// the thread alive and does not show its windows as not responding, and the operator's input
// waits until the dialog takes messages again. For the services' own waits, and for the
// dialog's status line, which the run writes while it takes no messages.
void LookAtMessageQueue();

}  // namespace quelb::platform
