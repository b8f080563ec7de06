// Process and environment services.
#pragma once

#include <chrono>
#include <cstdint>

#include "services/error.h"
#include "services/text.h"
#include "services/windows_constants.h"

namespace quelb {

// A wait for a started program without an end.
inline constexpr std::chrono::seconds kNoTimeLimit{0};

// Starts the command line as a new process. With wait set it returns the exit code, without
// it the process id; 0 when the process cannot be started. A wait with a time limit ends a
// program still running when it has passed, with what that program started, and returns a
// non-zero exit code for it; the ending leaves no error number, as no failure of the program
// does.
int32_t RunCommand(ErrorState& state, const Text& commandLine, int showState, bool wait,
                   bool inheritHandles, std::chrono::seconds timeLimit = kNoTimeLimit);
// An unset variable gives an empty text.
Text EnvironmentValue(const Text& name);
// Why the environment cannot serve the installer at all, in one line for standard error;
// empty when it can. Asked before anything else is done.
Text EnvironmentFault();
// The command line without the program's own name and the blanks after it.
Text CommandTail();
// An empty drive text asks for the current folder; a drive root keeps its separator.
Text CurrentFolder(ErrorState& state, const Text& drive);
void ChangeDrive(ErrorState& state, const Text& drive);
void ChangeFolder(ErrorState& state, const Text& path);

// While one lives, the services that take paths share what the calls made meanwhile cannot
// change: on POSIX the drive table is looked at for a change once, the current folder is read
// once (and again after ChangeDrive or ChangeFolder), and each volume's id is asked once. One
// made while another lives joins it. Hold one only over calls that wait for nobody: never over
// a box, a pause or a started program, during which a disk may be put in or a drive made.
class PathLookupBatch {
 public:
  PathLookupBatch();
  ~PathLookupBatch();
  PathLookupBatch(const PathLookupBatch&) = delete;
  PathLookupBatch& operator=(const PathLookupBatch&) = delete;
};

}  // namespace quelb
