// Copies whose new files are written, complete and unseen under their temporary names, and
// that wait to be finished together (waiting_copies.cpp): the flushes of many files, made one
// after another, and then their renames, cost the disk less than a flush, a rename and a flush
// again for each file in turn.
#pragma once

#include <memory>
#include <string>

#include "services/text.h"
#include "services/win32/internal/call.h"
#include "services/win32/internal/temporary_file.h"

namespace quelb::win32 {

struct WaitingCopy {
  // Held for reading until the rename, so that a copy onto itself finds its target in use.
  OwnedHandle heldSource;
  std::unique_ptr<TemporaryFile> temporary;
  Text target;
  // The wide name the target keeps (copy_names.h), empty for most.
  std::wstring longTarget;
};

void KeepWaiting(WaitingCopy copy);

}  // namespace quelb::win32
