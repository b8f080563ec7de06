// The walk by which a run opens the folders it writes to: one name at a time, each opened
// without following it, and each link read through its own descriptor and followed by hand,
// as the kernel follows it, so that what is judged is exactly what is opened. A link that
// another account owns in a folder that account may write (RepointableByAnother) is not
// followed: the folder it leads to may be one that account could never write itself. The
// drive table's own links were resolved when the table was read and are not met again.
#pragma once

#include <string>

namespace quelb::posix {

// The folder that hostFolder names, opened with O_PATH, or -1 with errno set: EACCES where a
// link of another account's leads on, as the kernel's protected links refuse one.
int OpenFolderWalked(const std::string& hostFolder);

// True when the walk of hostPath, as far as its names are there, meets a link of another
// account's that it would not follow.
bool WalkMeetsAnotherAccountsLink(const std::string& hostPath);

}  // namespace quelb::posix
