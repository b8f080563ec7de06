#include "services/files.h"

namespace quelb {

std::vector<Text> ListedNames(ErrorState& state, const Text& folder, uint32_t filter) {
  std::vector<Text> names;
  for (Text name = ListFirst(state, folder + "\\*.*", filter); !name.empty();
       name = ListNext(state)) {
    names.push_back(name);
  }
  return names;
}

}  // namespace quelb
