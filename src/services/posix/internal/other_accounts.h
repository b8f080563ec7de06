// What accounts other than root and the one running the installer may change, as the
// permission bits tell it. The members of a group are not asked for: every group but root's
// own is taken to hold others.
#pragma once

#include <sys/stat.h>

namespace quelb::posix {

// Whether the entry belongs to neither root nor this process's account.
bool OwnedByAnother(const struct stat& info);

// Whether another account may change what root would start: the file or folder is another's,
// or its group's or everyone's write bit lets others in. A folder with the sticky bit keeps
// everyone but its group from replacing root's files in it; a link's own mode means nothing.
bool ChangeableByOthers(const struct stat& info);

// Whether the link, lying in folder, names what another account chose and may choose anew:
// the link is another's, and that account owns the folder or the folder's group's or
// everyone's write bit lets others in. The sticky bit changes nothing here, as it keeps no
// account from replacing its own link.
bool RepointableByAnother(const struct stat& link, const struct stat& folder);

}  // namespace quelb::posix
