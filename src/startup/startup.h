// The entry procedure: the two modes, the installer dialog and the hand-over to cm.exe.
#pragma once

namespace quelb {

// Returns the exit code of the process.
int RunSetup();

}  // namespace quelb
