// What the unattended program checks before a run, as the engine would not report it: a
// source that is not there lists nothing and the run would end as if it were empty, and a
// target that cannot be written would fail file by file.
#pragma once

#include "deploy/options.h"
#include "services/error.h"

namespace quelb::deploy {

// 0 once the source is there and can be listed, tried again until --wait has passed; else 3.
int CheckSource(const Text& source, int waitSeconds);
// 0 when the folder is there or can be made, and can be written; else 4. A folder reached
// through a link that another account may point anew is not used.
int CheckFolder(const Text& folder);
// The path without one separator at its end, that names may be added to it.
Text WithoutTrailingSeparator(const Text& path);

// True when the folder is there, by the probe of its "nul" name.
bool FolderThere(ErrorState& errors, const Text& folder);

}  // namespace quelb::deploy
