// Where a deploy stages a release before it puts it in place: a hidden folder in the target
// and another in the download folder, each on the volume of the folder it serves, so that a
// rename gives a staged file its final name. The run writes into the stages only, and nothing
// the suite uses is touched while it does.
#pragma once

#include <vector>

#include "services/error.h"
#include "services/text.h"

namespace quelb::deploy {

// The path of a file named relative to the folder, whether the folder ends in a separator
// or not.
Text InFolder(const Text& folder, const Text& relative);

// The unattended program's hidden folder in a target or download folder.
Text DeployFolderOf(const Text& folder);
// Makes that folder, hidden, unless it is there; a link or a file in its place fails (70).
void MakeDeployFolder(ErrorState& errors, const Text& folder);
Text StageOf(const Text& folder);
// Where the files a release replaced are kept to undo it, and where those of the release
// before go once they are no longer kept.
Text KeptOf(const Text& folder);
Text DiscardedOf(const Text& folder);

// The path a staged file will have once the release is in place: a path in the stage of the
// target or of the download folder is taken to that folder; any other stays as it is.
Text FinalPathOf(const Text& path, const Text& target, const Text& download);

// Makes the hidden folder and an empty stage in it; what an earlier deploy left in the stage
// is removed first. False, with the error stored, when the folders cannot be made.
bool MakeEmptyStage(ErrorState& errors, const Text& folder);

// A folder that holds the name of a file of the source in the target or the download folder
// is made in the stage too, so that the file's copy fails while it is staged, with the number
// it would fail with in place, and is asked about then.
void MirrorFoldersInTheWay(ErrorState& errors, const Text& source, const Text& target,
                           const Text& download);

// Removes the stage of the folder and everything in it.
void RemoveStage(ErrorState& errors, const Text& folder);

// A file under a folder, by the path it has below it ("A.EXE", "REPORTS\\X.RPT").
struct FileBelow {
  Text relative;
  Text path;
};

// Every file under the folder, in its subfolders too.
std::vector<FileBelow> FilesBelow(ErrorState& errors, const Text& folder);

// True when the folder was not there and has been made.
bool MakeFolderIfMissing(ErrorState& errors, const Text& folder);

// The subfolders that the relative path of a file passes through, made where they are not
// there yet; those made, outer ones first.
std::vector<Text> MakeFoldersFor(ErrorState& errors, const Text& folder, const Text& relative);

}  // namespace quelb::deploy
