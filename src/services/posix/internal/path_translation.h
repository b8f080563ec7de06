// The translation of DOS paths, as the logic writes them, into host paths of a POSIX system,
// and of host folders back into drive form.
#pragma once

#include <optional>
#include <string>

#include "services/error.h"
#include "services/text.h"

namespace quelb::posix {

// A host folder on the drive whose root holds it, as Windows writes it: "D:\" for the root,
// "C:\QUELB\SETUP" inside. A folder whose names no drive path can carry keeps its host path.
Text InDriveForm(char letter, const std::string& hostFolder);

// Translates a path as the logic writes it into a host path. "\" and "/" both separate;
// "X:" starts a drive path; a leading separator without a drive is on the current drive;
// each component is matched exactly first, then without regard to ASCII case. A path that
// names no host file gives nothing: one on a drive that is not there or has no disk in it,
// or one holding a character no Windows name holds (a ":" after the drive of a drive path
// among them; host paths, without a drive, may hold ":").
std::optional<std::string> HostPath(const Text& path);

// The host path that HostPath gives whenever a file or folder is there under exactly that
// path, found without looking at the path itself: a caller that then finds it there has
// its translation at no cost. Nothing where HostPath gives nothing for want of a drive or
// for a character that no Windows name holds.
std::optional<std::string> HostPathAsWritten(const Text& path);

// HostPath that stores why a path names no host file: ERROR_INVALID_NAME for a character no
// Windows name holds, ERROR_NOT_READY for a drive without a disk, ERROR_PATH_NOT_FOUND for
// a drive that is not there.
std::optional<std::string> HostPathOrError(ErrorState& state, const Text& path);

}  // namespace quelb::posix
