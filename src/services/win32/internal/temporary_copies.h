// The temporary copies that a copy makes before they take their targets' places: each named by
// the process that made it and a count ("~cpy4711-12.tmp"), so that two copies never meet. They
// are made in a hidden folder of their own inside the target's folder ("~copies.tmp"), on the
// same volume, so that the rename stays a rename, and a new temporary name is looked for among
// the few names of that folder: on a file system that tells case, Wine reads the whole folder
// to find a name that is not there in another case. Where that folder cannot be made, or would
// make a temporary path too long for the calls, the copies are made beside their targets.
#pragma once

#include "services/text.h"
#include "services/win32/internal/call.h"

namespace quelb::win32 {

// The path of this process's temporary copy of that count in the folder.
Text TemporaryCopyIn(const Text& folder, unsigned count);

// The longest path that a temporary copy in the folder may have, whatever its count.
Text WidestTemporaryCopyIn(const Text& folder);

// The folder in which copies into the folder make their temporary copies: the folder of copies
// inside it, made now if need be, or the folder itself.
Text PlaceOfTemporaryCopies(const Text& folder);

// Removes the folders of copies made since the last removal, each once it is empty again: done
// once the copies that used them have taken their targets' places or gone, so that a run that
// ends leaves none of them.
void RemoveFoldersOfCopies();

// Removes a temporary copy, read-only as its source may have made it, once a scanner that
// reads it lets go.
void RemoveTemporaryCopy(const Text& path);

// Removes what a run that ended before its copies did (one killed, or whose machine went off)
// left in the folder and in its folder of copies, and that folder. Done once for each folder,
// before this process's first copy into it: a run holds its folder's lock by then, so no other
// run's copy is at work there.
void RemoveLeftoverCopies(const Text& folder);

}  // namespace quelb::win32
