#pragma once

namespace quelb {

// Keeps the DLLs that Windows loads for the program while it runs to the system's folder, so
// that a DLL of a system's name in a download folder, beside the program or in the current
// folder, is not loaded in its place. Each Windows program calls it first thing.
void SearchDllsInTheSystemFolderOnly();

}  // namespace quelb
