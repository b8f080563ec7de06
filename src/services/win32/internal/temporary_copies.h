// The temporary copies that a copy makes in its target's folder before they take their targets'
// places: each named by the process that made it and a count ("~cpy4711-12.tmp"), so that two
// copies never meet.
#pragma once

#include "services/text.h"
#include "services/win32/internal/call.h"

namespace quelb::win32 {

// The path of this process's temporary copy of that count in the folder.
Text TemporaryCopyIn(const Text& folder, unsigned count);

// Removes a temporary copy, read-only as its source may have made it, once a scanner that
// reads it lets go.
void RemoveTemporaryCopy(const Text& path);

// Removes what a run that ended before its copies did (one killed, or whose machine went off)
// left in the folder. Done once for each folder, before this process's first copy into it:
// a run holds its folder's lock by then, so no other run's copy is at work there.
void RemoveLeftoverCopies(const Text& folder);

}  // namespace quelb::win32
