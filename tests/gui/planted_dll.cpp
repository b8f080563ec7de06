// A DLL of a system's name (built as uxtheme.dll) that the Windows tests put beside a
// program: loaded, it notes so in a file beside itself, named after it with ".loaded" added,
// and refuses to stay, so that the system's own is used as before.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char note[MAX_PATH + 8] = {};
  const DWORD length = GetModuleFileNameA(self, note, MAX_PATH);
  lstrcpyA(note + length, ".loaded");
  const HANDLE file = CreateFileA(note, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return FALSE;
}
