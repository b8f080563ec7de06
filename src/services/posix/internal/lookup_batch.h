// The batch in which path lookups share what one service call cannot change.
#pragma once

#include <string>

namespace quelb::posix {

// While one lives, the translations made meanwhile share what one service call cannot change:
// the drive table is checked for a change at its first use only, and the current folder is
// read once. One made while another lives joins it. A batch must not outlive a change of the
// current folder.
class LookupBatch {
 public:
  LookupBatch();
  ~LookupBatch();
  LookupBatch(const LookupBatch&) = delete;
  LookupBatch& operator=(const LookupBatch&) = delete;

  // True when the drive table is to be checked now: always outside a batch, once inside one.
  static bool TableWanted();
  // The current folder as getcwd gives it, or "/" when it has none.
  static const std::string& CurrentFolder();
};

}  // namespace quelb::posix
