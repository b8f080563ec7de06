// Files that grow line by line while the program works, as the unattended program's logs do,
// and what a log says of the machine. Failures are stored as every service
// stores them; a log's failure is the log's own and no file's.
#pragma once

#include <cstdint>
#include <string_view>

#include "services/error.h"
#include "services/text.h"

namespace quelb {

using AppendedFile = intptr_t;
inline constexpr AppendedFile kNoAppendedFile = -1;

// Opens the file to add to its end, shared with readers. A missing file is made; with fresh
// set only a new file is made, never through a link left in its name, and a name that is
// taken fails. kNoAppendedFile, with the error stored, when it cannot be opened.
AppendedFile OpenToAppend(ErrorState& state, const Text& path, bool fresh);
// Writes the bytes at the end at once, unbuffered, so that what a killed process wrote stays.
void AppendText(ErrorState& state, AppendedFile file, std::string_view bytes);
// Puts what was written on the disk and closes the file.
void CloseAppended(ErrorState& state, AppendedFile file);

// Who runs the program, on which machine and system, for a log's head.
Text AccountName();
Text MachineName();
Text SystemName();

}  // namespace quelb
