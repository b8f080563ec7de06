#include "services/win32/internal/wide_names.h"

#include "services/dos_path.h"
#include "services/win32/internal/call.h"

namespace quelb::win32 {
namespace {

// UTF-8 spells every name, and its conversions take neither flags nor a default character.
bool CodePageIsUtf8() {
  return GetACP() == CP_UTF8;
}

Text Narrowed(const std::wstring& name, DWORD flags, const char* missing, BOOL* usedMissing) {
  if (CodePageIsUtf8()) {
    flags = 0;
    missing = nullptr;
    usedMissing = nullptr;
  }
  const int size = WideCharToMultiByte(CP_ACP, flags, name.c_str(), static_cast<int>(name.size()),
                                       nullptr, 0, missing, usedMissing);
  Text text(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_ACP, flags, name.c_str(), static_cast<int>(name.size()), text.data(),
                        size, missing, usedMissing);
  }
  return text;
}

}  // namespace

std::wstring Widened(const Text& text) {
  const int size =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) {
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  }
  return wide;
}

bool Spellable(const std::wstring& name) {
  if (CodePageIsUtf8()) return true;
  BOOL usedMissing = FALSE;
  Narrowed(name, WC_NO_BEST_FIT_CHARS, "?", &usedMissing);
  return !usedMissing;
}

Text InNearestLetters(const std::wstring& name) {
  return Narrowed(name, 0, nullptr, nullptr);
}

Text WithQuestionMarks(const std::wstring& name) {
  return Narrowed(name, WC_NO_BEST_FIT_CHARS, "?", nullptr);
}

std::wstring LongNameOf(const Text& path) {
  if (dos::HoldsWildcard(path)) return {};
  WIN32_FIND_DATAW entry;
  HANDLE search = INVALID_HANDLE_VALUE;
  Call([&] { search = FindFirstFileW(Widened(path).c_str(), &entry); });
  if (search == INVALID_HANDLE_VALUE) return {};
  Call([&] { FindClose(search); });
  return entry.cFileName;
}

}  // namespace quelb::win32
