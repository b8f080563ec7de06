// File and folder services. Each failure stores its error number in the caller's state and
// the operation returns its neutral result (empty text, 0 or nothing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "services/error.h"
#include "services/text.h"

namespace quelb {

// The attribute filter of a listing; 0 lists plain, read-only and archive files only.
inline constexpr uint32_t kPlainFilesOnly = 0;
// With hidden and system files as well (the DOS attributes 0x02 and 0x04), and with folders.
inline constexpr uint32_t kHiddenAndSystemFilesToo = 0x06;
inline constexpr uint32_t kFoldersToo = 0x10;

// Ends any listing in progress and starts a new one; a mask ending in ":" or "\" lists the
// whole folder. The folder probe is ListFirst(folder + "\nul"): non-empty when it exists.
Text ListFirst(ErrorState& state, const Text& mask, uint32_t filter);
Text ListNext(ErrorState& state);

// Every name of the folder that the filter passes, taken whole: the listing in progress
// ends, and the names are then free to be looked at one by one.
std::vector<Text> ListedNames(ErrorState& state, const Text& folder, uint32_t filter);

// True when the platform cannot take the path whole, with the number it gives such a path
// stored: longer than its longest path, or, where names have a limit of their own, holding a
// longer name.
bool PathTooLong(ErrorState& state, const Text& path);
// True when copying source to target would form a path that the platform cannot take, with
// the number stored as PathTooLong stores it. On Windows the copy writes a temporary file
// beside the target, whose name is longer than an 8.3 one, and a file whose long name the code
// page cannot spell takes it through the wide calls, which MAX_PATH binds as well: these are
// measured with the target. Always false on Linux, where the folders' measure holds for copies.
bool CopyPathTooLong(ErrorState& state, const Text& source, const Text& target);

void MakeFolder(ErrorState& state, const Text& path);
// True when the path, as far as its folders are there, leads through a link that another
// account owns (neither root nor the account running the program) in a folder that account
// may write: its own, or one that a group other than root's or everyone may write. A run
// writes into no folder reached so: the folders it makes, its copies, its in-use tests and
// the archives it unpacks there fail with 70 (access denied), and no lock file is made there.
// Always false on Windows, where the platform follows junctions and links.
bool ReachedThroughAnotherAccountsLink(const Text& path);
// Replaces an existing target; the old target is never left half-written.
void CopyFileTo(ErrorState& state, const Text& source, const Text& target);
// Copies as CopyFileTo does, but the new file may wait, complete and unseen, until
// FinishCopies puts it in its target's place together with others: true when it waits. A
// failure found before then is stored as CopyFileTo stores it, and the old target stays.
bool StartCopy(ErrorState& state, const Text& source, const Text& target);
// True when so many copies wait that they should be finished before another starts.
bool ShouldFinishCopies();
// A waiting copy that did not take its target's place: its position among those that waited,
// in the order they were started, and the error number of its failure.
struct CopyFailure {
  size_t position;
  ErrorNumber number;
};
// Puts the data of every waiting copy on the disk and then each copy in its target's place;
// the old target of a copy that fails stays as it was.
std::vector<CopyFailure> FinishCopies();
// Makes the names of every file that CopyFileTo and MakeFolder have put in place so far last
// through a crash or a power loss (each file's data is already on the disk when it takes its
// name). The run calls it before it shows any box that may end it; a folder that cannot be
// opened or synced stores its error, and is tried again by the next call.
void MakeCopiesDurable(ErrorState& state);
// Runs work, which writes into folder by another hand (an archive unpacking itself), and then
// puts what was written on the folder's disk, so that it lasts through a crash or a power
// loss; a write the disk refused meanwhile, or a failed sync, stores its error. When work
// itself stores an error, nothing was written and nothing is synced.
// A folder reached through a link of another account's (ReachedThroughAnotherAccountsLink)
// stores 70 at once, and work is not done.
void WriteDurablyInto(ErrorState& state, const Text& folder, const std::function<void()>& work);

enum class Access { kReadWrite, kReadWriteWithFallBack };

// File numbers run from 1 to 32767.
int NextFileNumber();
// The only way the system opens files: creates a missing file and fails with 70 when another
// process holds, maps or runs the file.
void OpenExclusive(ErrorState& state, const Text& path, int fileNumber, Access access);
int64_t FileLength(ErrorState& state, int fileNumber);
Text ReadBytes(ErrorState& state, int fileNumber, int64_t count);
// Hands the bytes of an open file from its position on to take, piece by piece in order,
// until take returns true or the file ends; the position then follows the last piece. Memory
// stays bounded whatever the file's size. A file cut short meanwhile ends it with the error
// that a failed read gives.
void ScanFile(ErrorState& state, int fileNumber, const std::function<bool(std::string_view)>& take);
void CloseFile(ErrorState& state, int fileNumber);

}  // namespace quelb
