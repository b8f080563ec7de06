// The folders whose entries the copies and new folders of a run changed. Each copy's data is
// on the disk before its rename; the renames themselves are made durable together, when the
// run asks for it (MakeCopiesDurable), instead of one folder sync for every file.
#pragma once

#include <string>

namespace quelb::posix {

void NoteChangedFolder(const std::string& hostFolder);

}  // namespace quelb::posix
