// The names of the folders that a case-blind lookup had to read, kept for the run so that a
// folder is read once however many of its names are looked up, and read again only when it
// has changed other than by our own hand.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>

namespace quelb::posix {

// What a folder's status says about its entries: a change of them changes its times.
struct FolderStamp {
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified{};
  timespec changed{};

  bool operator==(const FolderStamp& other) const;
};

FolderStamp StampOf(const struct stat& info);

// The entry of folder spelt as name, or else the first one that differs from it only in
// ASCII letter case; nothing when there is neither. info is the folder's status, taken just
// before, which tells whether the names kept for it still hold.
std::optional<std::string> SpellingIn(const std::string& folder, const struct stat& info,
                                      const std::string& name);

// Our own change of an entry that may now exist (a file or folder we created or replaced):
// the names kept for its folder gain it, spelt as we wrote it, and take the folder's new
// stamp, so that the change does not cost a reading of the whole folder.
void NoteOwnChange(const std::string& hostPath);

// Our own removal of an entry, by a rename or an unlink: the names kept for its folder lose it
// and take the folder's new stamp.
void NoteOwnRemoval(const std::string& hostPath);

}  // namespace quelb::posix
