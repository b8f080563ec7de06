#include "startup/main/dll_search.h"

#include "startup/main/kernel32_function.h"

namespace quelb {

// SetDllDirectoryA("") takes the current folder out of the search (XP SP1 on). Only
// SetDefaultDllDirectories takes out the program's own folder, which is searched first
// otherwise; Windows 8 has it, Vista and 7 with update KB2533623, XP never.
void SearchDllsInTheSystemFolderOnly() {
  SetDllDirectoryA("");
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  if (const auto set_default =
          Kernel32Function<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories")) {
    set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
}

}  // namespace quelb
