// What durability.cpp offers the copy: the flush of one file, the flush of a copy under its new
// name, and the folders whose entries the copies changed, flushed together before the run's
// next box (MakeCopiesDurable).
#pragma once

#include <string>

#include "services/text.h"
#include "services/win32/internal/call.h"

namespace quelb::win32 {

// Opens the file for writing, sharing it with everyone, flushes its data and its entry to
// the disk and closes it. A long name that the code page cannot spell goes in wide, and path
// is then not used. Returns 0, or the error of the open or the flush.
DWORD FlushFile(const Text& path, const std::wstring& longPath = {});

// Flushes the folder's entries where the account may open it for writing; one that refuses
// is passed over.
void FlushFolder(const Text& folder);

void NoteChangedFolder(const Text& folder);

// A copy that has just taken its target's place is flushed under its new name, and its folder
// is noted. A failed flush is stored as the copy's failure.
void MakeLastUnderItsName(ErrorState& state, const Text& target, const std::wstring& longTarget);

}  // namespace quelb::win32
