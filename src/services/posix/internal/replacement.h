// The new file that takes a target's place. Its data is written where no one can see it: an
// unnamed file in the target's folder, or a hidden named one where the file system has no
// unnamed files. Only the complete file gets a name, and that name is renamed over the
// target at once, so that the old target stays whole until then and a killed copy leaves
// nothing behind (at most a hidden name for the moment between the two calls).
#pragma once

#include <string>

#include "services/error.h"
#include "services/posix/internal/descriptor.h"

namespace quelb::posix {

class Replacement {
 public:
  // folder is a descriptor of the target's folder, which must stay open meanwhile, and
  // folderPath its host path.
  Replacement(int folder, std::string folderPath);
  // Removes a named file that has not taken the target's place.
  ~Replacement();
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;

  bool Create(ErrorState& state);
  int Get() const { return out_.Get(); }
  // Puts the data on the disk, then renames the file over name in the folder; targetPath is
  // the target's host path, for the error it may give.
  bool Commit(ErrorState& state, const std::string& name, const std::string& targetPath);

  // The parts of Commit, for a copy that waits to be made durable with others: the data's
  // writeback is started at once and waited for later, the file system is synced by the
  // caller (or the file by SyncData), and only then does the file take its target's place.
  void StartWriteback();
  bool WaitForData(ErrorState& state, const std::string& targetPath);
  bool SyncData(ErrorState& state, const std::string& targetPath);
  bool TakePlace(ErrorState& state, const std::string& name, const std::string& targetPath);

 private:
  bool CreateNamed(ErrorState& state);
  bool GiveName(ErrorState& state, const std::string& targetPath);

  int folder_;
  std::string folderPath_;
  Descriptor out_;
  // The file's name in the folder once it has one and until it has taken the target's place.
  std::string name_;
};

// Removes what copies killed between naming their new file and renaming it left in the
// folder: hidden names of the copies' own pattern, for regular files with no other name that
// this account could have made and that no process holds. Looked at once per folder.
void RemoveLeftoverReplacements(int folder, const std::string& folderPath);

}  // namespace quelb::posix
