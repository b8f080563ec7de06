// What durability.cpp offers the copy: the flush of one file, and the folders whose entries
// the copies changed, flushed together before the run's next box (MakeCopiesDurable).
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

}  // namespace quelb::win32
