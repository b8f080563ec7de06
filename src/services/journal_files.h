// What a journal of renames needs of the disk: the identity of a file, a rename that never
// replaces, the removal of a file, and a small file written so that it lasts. Paths are taken
// as every service takes them; each failure is stored as every service stores it.
#pragma once

#include <cstdint>

#include "services/error.h"
#include "services/text.h"

namespace quelb {

// Enough of a file to tell it from any other put under its name since: its size, its time of
// last change in the platform's finest unit, and the platform's own id for it (file system
// and inode; volume serial and file index), which stays the same across a restart. Size -1
// when no file is there.
struct FileIdentity {
  int64_t size = -1;
  int64_t modified = 0;
  Text fileId;

  bool Exists() const { return size >= 0; }
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the regular file at path; a missing file or folder is no error.
FileIdentity IdentityOf(ErrorState& state, const Text& path);
// Its size and time alone, as IdentityOf gives them, without the id, which costs another look
// at the file (its volume's on POSIX, an open on Windows).
FileIdentity SizeAndTimeOf(ErrorState& state, const Text& path);

// Gives the file at from the name to, in the same folder or another of the same volume; a
// file already named to makes it fail with 75, and both stay. The new name lasts once the folders
// of both names are synced (SyncFolderEntries).
void RenameWithoutReplacing(ErrorState& state, const Text& from, const Text& to);

// Removes the file at path; one that is not there is no error.
void RemoveFile(ErrorState& state, const Text& path);

// Removes the folder at path when it is empty; one that is not there is no error.
void RemoveEmptyFolder(ErrorState& state, const Text& path);

// Puts the bytes under path whole or not at all: written under a name of their own beside it,
// flushed, renamed over whatever path held, and the folder synced.
void WriteFileDurably(ErrorState& state, const Text& path, const Text& bytes);

// Makes the names in the folder last through a power loss; a folder the platform does not let
// this account flush is no error.
void SyncFolderEntries(ErrorState& state, const Text& folder);

// The whole of a small file; empty, with the error stored, when it cannot be read.
Text ReadSmallFile(ErrorState& state, const Text& path);

}  // namespace quelb
