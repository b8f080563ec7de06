// Folder listing with FindFirstFileA and FindNextFileA: one listing at a time, entries
// passed through the attribute filter. A listing never turns a platform failure into an
// error number; a missing folder, a drive without a disk and an empty folder all list
// nothing. The folder probe "folder\nul" is answered by the platform itself. A wide listing
// runs beside the ANSI one, for the names the code page cannot spell.
#include <new>

#include "services/backend.h"
#include "services/dos_path.h"
#include "services/files.h"
#include "services/win32/internal/call.h"
#include "services/win32/internal/wide_names.h"

namespace quelb {
namespace {

constexpr DWORD kFilteredAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

struct ListingState {
  HANDLE search = INVALID_HANDLE_VALUE;
  // The same listing through the wide calls, entry for entry, for the names that the code
  // page cannot spell; none where it did not start or fell out of step.
  HANDLE wideSearch = INVALID_HANDLE_VALUE;
  uint32_t filter = kPlainFilesOnly;
};

struct Entry {
  WIN32_FIND_DATAA narrow;
  WIN32_FIND_DATAW wide;
  bool haveWide = false;
};

ListingState& Listing() {
  static ListingState listing;
  return listing;
}

void EndWideListing() {
  ListingState& listing = Listing();
  if (listing.wideSearch == INVALID_HANDLE_VALUE) return;
  win32::Call([&] { FindClose(listing.wideSearch); });
  listing.wideSearch = INVALID_HANDLE_VALUE;
}

void EndListing() {
  ListingState& listing = Listing();
  EndWideListing();
  if (listing.search == INVALID_HANDLE_VALUE) return;
  win32::Call([&] { FindClose(listing.search); });
  listing.search = INVALID_HANDLE_VALUE;
}

// A filter bit for one of the three attributes lets such entries through.
bool Passes(const WIN32_FIND_DATAA& entry, uint32_t filter) {
  const Text name = entry.cFileName;
  if (name == "." || name == "..") return false;
  return (entry.dwFileAttributes & kFilteredAttributes & ~filter) == 0;
}

void FindNextWide(Entry& entry) {
  ListingState& listing = Listing();
  BOOL found = FALSE;
  if (listing.wideSearch != INVALID_HANDLE_VALUE) {
    win32::Call([&] { found = FindNextFileW(listing.wideSearch, &entry.wide); });
  }
  entry.haveWide = found;
  if (!found) EndWideListing();
}

bool FindNext(Entry& entry) {
  BOOL found = FALSE;
  const DWORD error = win32::Call([&] { found = FindNextFileA(Listing().search, &entry.narrow); });
  if (!found || error != 0) return false;
  FindNextWide(entry);
  return true;
}

// FindFirstFileA spells a name outside the code page in its nearest letters, which name no
// file. Such a file is listed by its short name, which names it and which the copy delivers
// under its own name; a file without one (on a volume without short names) is listed with "?"
// for what the code page cannot spell, a name that every service refuses with 75 rather than
// one that may name another file.
Text ListedName(const Entry& entry) {
  if (!entry.haveWide) return entry.narrow.cFileName;
  const std::wstring name = entry.wide.cFileName;
  if (win32::InNearestLetters(name) != entry.narrow.cFileName) {
    // The folder changed between the two listings: the rest is taken as the ANSI calls spell it.
    EndWideListing();
    return entry.narrow.cFileName;
  }
  if (win32::Spellable(name)) return entry.narrow.cFileName;
  const std::wstring shortName = entry.wide.cAlternateFileName;
  if (!shortName.empty() && win32::Spellable(shortName)) return win32::InNearestLetters(shortName);
  return win32::WithQuestionMarks(name);
}

// Moves on from the entry at hand to the first one that passes the filter.
Text FirstPassing(Entry& entry, bool haveEntry) {
  ListingState& listing = Listing();
  for (;;) {
    if (!haveEntry) {
      EndListing();
      return {};
    }
    if (Passes(entry.narrow, listing.filter)) return ListedName(entry);
    haveEntry = FindNext(entry);
  }
}

Text NameOrOutOfMemory(ErrorState& state, Entry& entry, bool haveEntry) {
  try {
    return FirstPassing(entry, haveEntry);
  } catch (const std::bad_alloc&) {
    EndListing();
    StoreError(state, error_number::kOutOfMemory);
    return {};
  }
}

void StartWideListing(const Text& mask, Entry& entry) {
  HANDLE search = INVALID_HANDLE_VALUE;
  win32::Call([&] { search = FindFirstFileW(win32::Widened(mask).c_str(), &entry.wide); });
  Listing().wideSearch = search;
  entry.haveWide = search != INVALID_HANDLE_VALUE;
}

}  // namespace

const char platform::kHostSeparator = '\\';

Text ListFirst(ErrorState& state, const Text& mask, uint32_t filter) {
  if (mask.empty()) return ListNext(state);
  EndListing();
  const Text whole = dos::FullMask(mask);
  Entry entry;
  HANDLE search = INVALID_HANDLE_VALUE;
  win32::Call([&] { search = FindFirstFileA(whole.c_str(), &entry.narrow); });
  if (search == INVALID_HANDLE_VALUE) return {};
  Listing() = ListingState{search, INVALID_HANDLE_VALUE, filter};
  StartWideListing(whole, entry);
  return NameOrOutOfMemory(state, entry, true);
}

Text ListNext(ErrorState& state) {
  if (Listing().search == INVALID_HANDLE_VALUE) return {};
  Entry entry;
  return NameOrOutOfMemory(state, entry, FindNext(entry));
}

}  // namespace quelb
