// Names that the system's ANSI code page cannot spell. The ANSI calls hand such a name back
// in the nearest letters the code page has ("Łódź.txt" becomes "Lódz.txt" on code page 1252),
// which names no file; the listing and the copy turn to the wide names for these alone.
#pragma once

#include <string>

#include "services/text.h"

namespace quelb::win32 {

// The text as the wide calls take it, read in the code page.
std::wstring Widened(const Text& text);

// True when the code page holds every character of the name as it is.
bool Spellable(const std::wstring& name);

// The name in the code page: in its nearest letters, as the ANSI calls spell it, or with "?"
// for each character it has no letter for.
Text InNearestLetters(const std::wstring& name);
Text WithQuestionMarks(const std::wstring& name);

// The name of the file a path names, as the wide listing spells it; empty when there is none.
std::wstring LongNameOf(const Text& path);

}  // namespace quelb::win32
