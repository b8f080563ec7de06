// The update engine: the update run and the steps it takes for each file.
#pragma once

#include "dialog/layer.h"
#include "engine/run_state.h"
#include "services/error.h"
#include "services/message.h"

namespace quelb {

inline constexpr int IDC_SOURCE = 400;
inline constexpr int IDC_TARGET = 401;
inline constexpr int IDC_STATUS = 402;

// The download folder, where update packages are stored.
inline constexpr const char* kDownloadFolder = "C:\\LDGRHOME\\DOWNLOAD";

// True for the answers that end the run: Abort, and a handler's end of the run.
inline bool EndsTheRun(int answer) {
  return answer == IDABORT || answer == kEndTheRun;
}

enum class FileOutcome { kNext, kAbort };
enum class RunOutcome { kCompleted, kAborted };

// Tests whether the program an archive replaces (and for the control module the key
// libraries) is held by another process; sets MayProceed.
void CheckInUse(UpdateRunState& run, ErrorState& errors);
// Stores an update package in the download folder; true when its copy waits to be finished.
bool CopyToDownloadFolder(UpdateRunState& run, ErrorState& errors);
// Where the package at hand is copied: empty when its source is the download folder itself.
Text PackageTargetOf(const UpdateRunState& run);
// Where the file at hand is copied, by its kind: empty for one that is not copied.
Text CopyTargetOf(const UpdateRunState& run);
// Looks for the "PKWARE" mark in the archive; sets PkwarePos.
void PkwareTest(UpdateRunState& run, ErrorState& errors, const Text& archivePath);
// The command line that expands the current archive.
Text ExpandCommandFor(const UpdateRunState& run, const Text& interpreter);
// The per-file error prompt for CurrentFile with LastError; returns the answer.
int AskAfterFailure(const UpdateRunState& run);
// Delivers CurrentFile by its kind, reports its failure and keeps the count. A copied file
// may wait to be finished with others, and counts as delivered meanwhile; a failure found
// when it is finished is asked about then.
FileOutcome HandleFile(UpdateRunState& run, ErrorState& errors);
// Finishes the copies that wait and asks about each that failed, as HandleFile asks about
// its file. The run calls it before anything that may show a box or read the target.
FileOutcome FinishWaitingCopies(UpdateRunState& run, ErrorState& errors);
// The source as the run takes it: a drive letter alone gains its colon, a closing "\" goes.
Text NormalisedSource(Text source);
// Makes the folder current, its drive first for a drive path, as the run leaves its target.
void MakeFolderCurrent(ErrorState& errors, const Text& folder);
// The whole run started by the run button.
RunOutcome UpdateRun(dialog::DialogHandle dialog, ErrorState& errors);

}  // namespace quelb
