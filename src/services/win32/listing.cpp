// Folder listing with FindFirstFileA and FindNextFileA: one listing at a time, entries
// passed through the attribute filter. A listing never turns a platform failure into an
// error number; a missing folder, a drive without a disk and an empty folder all list
// nothing. The folder probe "folder\nul" is answered by the platform itself.
#include <new>

#include "services/files.h"
#include "services/win32/call.h"

namespace quelb {
namespace {

constexpr DWORD kFilteredAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
constexpr ErrorNumber kOutOfMemory = 7;

struct ListingState {
  HANDLE search = INVALID_HANDLE_VALUE;
  uint32_t filter = kPlainFilesOnly;
};

ListingState& Listing() {
  static ListingState listing;
  return listing;
}

void EndListing() {
  ListingState& listing = Listing();
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

bool FindNext(WIN32_FIND_DATAA& entry) {
  BOOL found = FALSE;
  const DWORD error = win32::Call([&] { found = FindNextFileA(Listing().search, &entry); });
  return found && error == 0;
}

// Moves on from the entry at hand to the first one that passes the filter.
Text FirstPassing(WIN32_FIND_DATAA& entry, bool haveEntry) {
  ListingState& listing = Listing();
  for (;;) {
    if (!haveEntry) {
      EndListing();
      return {};
    }
    if (Passes(entry, listing.filter)) return entry.cFileName;
    haveEntry = FindNext(entry);
  }
}

Text NameOrOutOfMemory(ErrorState& state, WIN32_FIND_DATAA& entry, bool haveEntry) {
  try {
    return FirstPassing(entry, haveEntry);
  } catch (const std::bad_alloc&) {
    EndListing();
    StoreError(state, kOutOfMemory);
    return {};
  }
}

}  // namespace

Text ListFirst(ErrorState& state, const Text& mask, uint32_t filter) {
  if (mask.empty()) return ListNext(state);
  EndListing();
  const bool endsAFolder = mask.back() == ':' || mask.back() == '\\';
  const Text whole = endsAFolder ? mask + "*.*" : mask;
  WIN32_FIND_DATAA entry;
  HANDLE search = INVALID_HANDLE_VALUE;
  win32::Call([&] { search = FindFirstFileA(whole.c_str(), &entry); });
  if (search == INVALID_HANDLE_VALUE) return {};
  Listing() = ListingState{search, filter};
  return NameOrOutOfMemory(state, entry, true);
}

Text ListNext(ErrorState& state) {
  if (Listing().search == INVALID_HANDLE_VALUE) return {};
  WIN32_FIND_DATAA entry;
  return NameOrOutOfMemory(state, entry, FindNext(entry));
}

}  // namespace quelb
