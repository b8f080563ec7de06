#include "services/win32/internal/temporary_copies.h"

#include <climits>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "services/win32/internal/brief_holds.h"
#include "services/win32/internal/durability.h"

namespace quelb::win32 {
namespace {

constexpr std::string_view kPrefix = "~CPY";
constexpr std::string_view kSuffix = ".TMP";
constexpr const char* kFolderOfCopies = "~copies.tmp";

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The names that TemporaryCopyIn gives, in any case.
bool IsTemporaryCopyName(const Text& name) {
  const Text upper = UpperText(name);
  const std::string_view view = upper;
  if (!view.starts_with(kPrefix) || !view.ends_with(kSuffix)) return false;
  const std::string_view middle =
      view.substr(kPrefix.size(), view.size() - kPrefix.size() - kSuffix.size());
  const size_t dash = middle.find('-');
  return dash != std::string_view::npos && AllDigits(middle.substr(0, dash)) &&
         AllDigits(middle.substr(dash + 1));
}

Text InFolder(const Text& folder, const Text& name) {
  return folder + (folder.ends_with('\\') || folder.ends_with(':') ? "" : "\\") + name;
}

std::vector<Text> LeftoverNamesIn(const Text& folder) {
  std::vector<Text> names;
  WIN32_FIND_DATAA entry;
  HANDLE search = INVALID_HANDLE_VALUE;
  Call([&] { search = FindFirstFileA(InFolder(folder, "~cpy*.tmp").c_str(), &entry); });
  if (search == INVALID_HANDLE_VALUE) return names;
  BOOL more = TRUE;
  while (more) {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        IsTemporaryCopyName(entry.cFileName)) {
      names.emplace_back(entry.cFileName);
    }
    Call([&] { more = FindNextFileA(search, &entry); });
  }
  Call([&] { FindClose(search); });
  return names;
}

// The folder as every spelling of it names it.
Text KeyOf(const Text& folder) {
  char full[MAX_PATH * 2] = {};
  const DWORD length = GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
  return UpperText(length > 0 && length < sizeof full ? Text(full, length) : folder);
}

// The folders of copies made and not yet removed. Never destroyed, as the waiting copies
// remove their folders when the program ends, whatever the order in which it ends its objects.
std::set<Text>& MadeFolders() {
  static auto* made = new std::set<Text>;
  return *made;
}

bool MakeFolderOfCopies(const Text& path) {
  BOOL made = FALSE;
  const DWORD error = Call([&] { made = CreateDirectoryA(path.c_str(), nullptr); });
  if (!made && error != ERROR_ALREADY_EXISTS) return false;
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  Call([&] { attributes = GetFileAttributesA(path.c_str()); });
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return false;
  }
  // Hidden, so that the explorer does not show it to the operator while a batch waits in it.
  if ((attributes & FILE_ATTRIBUTE_HIDDEN) == 0) {
    Call([&] { SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN); });
  }
  return true;
}

// A folder of copies that still holds a copy (one that a scanner kept) stays. True when it is
// gone.
bool RemoveFolderOfCopies(const Text& path) {
  BOOL removed = FALSE;
  Call([&] { removed = RemoveDirectoryA(path.c_str()); });
  return removed != FALSE;
}

void RemoveLeftoversIn(const Text& folder) {
  for (const Text& name : LeftoverNamesIn(folder)) RemoveTemporaryCopy(InFolder(folder, name));
}

}  // namespace

Text TemporaryCopyIn(const Text& folder, unsigned count) {
  return InFolder(folder, "~cpy" + std::to_string(GetCurrentProcessId()) + "-" +
                              std::to_string(count) + ".tmp");
}

Text WidestTemporaryCopyIn(const Text& folder) {
  return TemporaryCopyIn(folder, UINT_MAX);
}

Text PlaceOfTemporaryCopies(const Text& folder) {
  const Text place = InFolder(folder, kFolderOfCopies);
  if (WidestTemporaryCopyIn(place).size() >= MAX_PATH) return folder;
  if (MadeFolders().contains(place)) return place;
  if (!MakeFolderOfCopies(place)) return folder;
  MadeFolders().insert(place);
  return place;
}

// Each is flushed first where the account may, so that the entries of the copies that left it
// are gone from the disk before the folder is: on FAT, an entry that a power cut brought back
// would share its clusters with the delivered file. One that stays is tried again at the next
// removal.
void RemoveFoldersOfCopies() {
  std::erase_if(MadeFolders(), [](const Text& place) {
    FlushFolder(place);
    return RemoveFolderOfCopies(place);
  });
}

void RemoveTemporaryCopy(const Text& path) {
  CallPatiently([&] {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path.c_str()) != FALSE;
  });
}

void RemoveLeftoverCopies(const Text& folder) {
  static std::set<Text> lookedAt;
  if (!lookedAt.insert(KeyOf(folder)).second) return;
  RemoveLeftoversIn(folder);
  const Text place = InFolder(folder, kFolderOfCopies);
  RemoveLeftoversIn(place);
  RemoveFolderOfCopies(place);
}

}  // namespace quelb::win32
