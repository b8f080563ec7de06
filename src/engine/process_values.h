// The process-wide values of the logic.
#pragma once

#include <chrono>

#include "services/flag.h"
#include "services/text.h"

namespace quelb {

// "QUELB", or the whole command-line tail when there is one.
extern Text AppName;
// True when the command-line tail is not empty.
extern Flag UpdateMode;
// Set only by an aborted update run; the control module is then not started.
extern Flag RunAborted;
// The download folder, where update packages are stored: kDownloadFolder unless the program
// that drives the run names another.
extern Text DownloadFolder;
// How long an archive may run before it is ended and counts as failed; setup waits for it
// without a limit.
extern std::chrono::seconds ArchiveTimeLimit;

}  // namespace quelb
