// Update packages go to the download folder instead of the target folder. A package that is
// read from the download folder itself is already in place and is not counted.
#include "engine/engine.h"
#include "engine/process_values.h"
#include "engine/run_lock.h"
#include "services/files.h"

namespace quelb {

Text PackageTargetOf(const UpdateRunState& run) {
  const Text downloadFolder = DownloadFolder;
  if (UpperText(run.SourcePath) == UpperText(downloadFolder)) return {};
  return downloadFolder + "\\" + run.CurrentFile;
}

bool CopyToDownloadFolder(UpdateRunState& run, ErrorState& errors) {
  const Text downloadFolder = DownloadFolder;
  const Text target = PackageTargetOf(run);
  if (target.empty()) {
    run.FileCount.Add(-1);
    return false;
  }
  run.FolderProbe = ListFirst(errors, downloadFolder + "\\nul", kPlainFilesOnly);
  // Only the last level is made; a failure stays pending and the copy is tried all the same.
  if (run.FolderProbe.empty()) MakeFolder(errors, downloadFolder);
  // A download folder that was missing when the run began is locked before a package goes in,
  // whichever run made it.
  run.FolderHeld = run.Locks != nullptr && !run.Locks->TakeWhileWorking(errors, downloadFolder);
  if (run.FolderHeld) return false;
  return StartCopy(errors, run.SourceFilePath(), target);
}

}  // namespace quelb
