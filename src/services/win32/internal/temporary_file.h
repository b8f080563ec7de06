// The new file of a copy, made under a temporary name in the target's folder: written from the
// source, made writable and flushed there, unseen, until it takes the target's place. Each step
// waits for a scanner that reads the new file, or the old one, for a moment
// (internal/brief_holds.h).
#pragma once

#include <string>

#include "services/text.h"
#include "services/win32/internal/call.h"

namespace quelb::win32 {

// Removed again unless it has taken the target's place.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // The source copied into a new file of a unique name made for targets in the folder; an
  // existing name is passed over.
  bool Fill(ErrorState& state, const Text& folder, const Text& source);
  // Its size and attributes, as they are after the fill.
  bool ReadAttributes(ErrorState& state, WIN32_FILE_ATTRIBUTE_DATA& data) const;
  // A delivered file is never read-only because its source was: takes the attributes that
  // ReadAttributes gave.
  bool DropReadOnly(ErrorState& state, DWORD attributes);
  // Puts the data on the disk, so that they are there before the file takes its target's place.
  bool Flush(ErrorState& state);
  // A long target name is the wide one that the code page cannot spell (copy_names.h).
  bool Replace(ErrorState& state, const Text& target, const std::wstring& longTarget);

  const Text& Path() const { return path_; }

 private:
  Text path_;
};

}  // namespace quelb::win32
