// The folders a run has locked, each opened once when the run took its lock. Work in such a
// folder is done relative to that open folder, so that a folder swapped for another, or for
// a link, while the run works redirects nothing.
#pragma once

#include <string>

namespace quelb::posix {

// A new descriptor of the locked folder that hostFolder named when the lock was taken, or -1
// when no lock of this process was taken under that name.
int DuplicateHeldFolder(const std::string& hostFolder);

// The folder hostFolder names for the run: the locked folder when it is one, any other opened
// now by the walk of its path (folder_walk.h). -1 with errno set when it cannot be opened,
// EACCES when a link of another account's leads to it.
int OpenFolderOnce(const std::string& hostFolder);

}  // namespace quelb::posix
