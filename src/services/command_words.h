// The words of a command line, split the way the Microsoft C runtime splits it:
// - blanks and tabs separate words outside double quotes; a double quote opens or closes a
//   quoted stretch and is dropped;
// - in a later word, 2n backslashes before a double quote give n backslashes and the quote
//   then opens or closes; 2n+1 give n backslashes and a literal quote; inside a quoted
//   stretch two double quotes give one literal quote; backslashes elsewhere stay as they are;
// - the first word, the program, knows no backslash rule: its quotes only group.
// When the program is the interpreter that COMSPEC names and the second word is "/c" or "/C",
// the rest of the line after it is one command as the interpreter reads it: an outer pair of
// double quotes around the whole rest is stripped, and what remains is split by the same
// rules into the further words. So
//   cmd /c ""A:\x y\Q.EXE" -o "C:\P F""
// gives cmd, /c, A:\x y\Q.EXE, -o, C:\P F.
#pragma once

#include <string>
#include <vector>

#include "services/text.h"

namespace quelb {

std::vector<std::string> SplitCommandLine(const Text& line);

// True when the words start the interpreter that COMSPEC names with "/c" or "/C" and a
// command after it.
bool StartsInterpreterCommand(const std::vector<std::string>& words);

}  // namespace quelb
