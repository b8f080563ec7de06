#include "services/win32/internal/temporary_copies.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "services/win32/internal/brief_holds.h"

namespace quelb::win32 {
namespace {

constexpr std::string_view kPrefix = "~CPY";
constexpr std::string_view kSuffix = ".TMP";

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

}  // namespace

Text TemporaryCopyIn(const Text& folder, unsigned count) {
  return InFolder(folder, "~cpy" + std::to_string(GetCurrentProcessId()) + "-" +
                              std::to_string(count) + ".tmp");
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
  for (const Text& name : LeftoverNamesIn(folder)) RemoveTemporaryCopy(InFolder(folder, name));
}

}  // namespace quelb::win32
