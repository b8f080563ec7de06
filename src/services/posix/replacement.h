// The new file that takes a target's place. Its data is written where no one can see it: an
// unnamed file in the target's folder, or a hidden named one where the file system has no
// unnamed files. Only the complete file gets a name, and that name is renamed over the
// target at once, so that the old target stays whole until then and a killed copy leaves
// nothing behind (at most a hidden name for the moment between the two calls).
#pragma once

#include <string>

#include "services/error.h"
#include "services/posix/descriptor.h"

namespace quelb::posix {

class Replacement {
 public:
  Replacement() = default;
  // Removes a named file that has not taken the target's place.
  ~Replacement();
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;

  bool Create(ErrorState& state, const std::string& folder);
  int Get() const { return out_.Get(); }
  // Makes the data durable, then renames the file over target.
  bool Commit(ErrorState& state, const std::string& target);

 private:
  bool CreateNamed(ErrorState& state);
  bool GiveName(ErrorState& state, const std::string& target);

  Descriptor out_;
  std::string folder_;
  // The file's name once it has one and until it has taken the target's place.
  std::string path_;
};

}  // namespace quelb::posix
