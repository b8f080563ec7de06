#include "services/win32/internal/copy_names.h"

#include "services/dos_path.h"
#include "services/win32/internal/wide_names.h"

namespace quelb::win32 {

std::wstring LongTargetFor(const Text& source, const Text& target) {
  const Text name = dos::NameOf(source);
  if (name.find('~') == Text::npos || UpperText(name) != UpperText(dos::NameOf(target))) return {};
  const std::wstring longName = LongNameOf(source);
  if (longName.empty() || Spellable(longName)) return {};
  return Widened(target.substr(0, target.size() - name.size())) + longName;
}

}  // namespace quelb::win32
