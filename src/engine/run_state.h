// The record of one update run, shared by the run, the per-file handling, the in-use check
// and the download folder copy. It holds no platform object.
#pragma once

#include <cstdint>
#include <vector>

#include "services/counter.h"
#include "services/error.h"
#include "services/flag.h"
#include "services/message.h"
#include "services/text.h"

namespace quelb {

class RunLocks;

struct UpdateRunState {
  Text SourcePath;
  Text TargetPath;
  Text SourceMask;
  Text FolderProbe;
  Flag MoreDisks = kFalse;
  int32_t DiskCount = 0;
  Counter FileCount;
  // The names of one listing, separated by TAB.
  Text FileList;
  int64_t FileTotal = 0;
  int64_t FileIndex = 0;
  Text CurrentFile;
  ErrorNumber LastError = 0;
  // The platform's own code behind LastError, 0 when unknown.
  int LastPlatformCode = 0;
  // LastError is that of a folder another run holds.
  bool FolderHeld = false;
  Text SourceHint;
  int Answer = 0;
  Flag MayProceed = kFalse;
  // 1-based position of the first "PKWARE" in the archive, 0 when it holds none.
  int64_t PkwarePos = 0;
  // The command line the archive at hand was given, empty until it is run, and its exit code.
  Text ExpandCommand;
  int32_t ArchiveExitCode = 0;
  Text CountText;
  Text DoneText;
  // The file at hand and its error, kept while the failures of waiting copies are asked about.
  struct FileAtHand {
    Text name;
    ErrorNumber error;
    int platformCode;
    bool folderHeld;
  };
  FileAtHand AtHand() const { return {CurrentFile, LastError, LastPlatformCode, FolderHeld}; }
  // Takes the error state's number into LastError, with the platform's code behind it.
  void TakeLastError(ErrorState& errors) {
    LastPlatformCode = errors.rawCode;
    LastError = TakeError(errors);
  }
  // What a box reports of LastError, for the file or folder at hand.
  BoxFailure FailureAt(const Text& file) const {
    return {LastError, LastPlatformCode, file, FolderHeld};
  }
  // The source file at hand, in the form the services take.
  Text SourceFilePath() const { return SourcePath + "\\" + CurrentFile; }
  void Restore(const FileAtHand& file) {
    CurrentFile = file.name;
    LastError = file.error;
    LastPlatformCode = file.platformCode;
    FolderHeld = file.folderHeld;
  }

  // The files of this pass whose copies wait to be finished, in the order they were started.
  std::vector<Text> WaitingFiles;
  // The run's folder locks, for a folder it first needs once it has begun; none outside a run.
  RunLocks* Locks = nullptr;
};

}  // namespace quelb
