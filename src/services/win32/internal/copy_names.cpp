#include "services/win32/internal/copy_names.h"

#include "services/dos_path.h"
#include "services/win32/internal/call.h"
#include "services/win32/internal/wide_names.h"

namespace quelb::win32 {

// Named by the process and a count, so that two copies never meet.
Text TemporaryCopyPath(const Text& folder, unsigned count) {
  return folder + (folder.ends_with('\\') || folder.ends_with(':') ? "" : "\\") + "~cpy" +
         std::to_string(GetCurrentProcessId()) + "-" + std::to_string(count) + ".tmp";
}

std::wstring LongTargetFor(const Text& source, const Text& target) {
  const Text name = dos::NameOf(source);
  if (name.find('~') == Text::npos || UpperText(name) != UpperText(dos::NameOf(target))) return {};
  const std::wstring longName = LongNameOf(source);
  if (longName.empty() || Spellable(longName)) return {};
  return Widened(target.substr(0, target.size() - name.size())) + longName;
}

}  // namespace quelb::win32
