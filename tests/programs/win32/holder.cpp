// Holds a file the way another process would, for the tests of files in use.
//   holder open <path>   keeps the file open for reading, sharing reads, writes and deletion
//   holder keep <path>   keeps it open for reading, sharing reads and writes but not deletion,
//                        as the suite's own programs do
//   holder map <path>    maps the file and closes its handle
//   holder wait          holds nothing itself; started from a copy, the copy is the running file
//   holder try <path>    tries to open it for reading and ends at once: 0 opened, 1 refused
//                        with a sharing violation, 2 any other failure
// Except for "try", it writes "ready" on its output once it holds the file, then waits until
// its input reaches its end, so that the test decides how long the file stays held.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE OpenForReading(const char* path, DWORD sharing = kShareAll) {
  return CreateFileA(path, GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
}

int TryOpen(const char* path) {
  HANDLE file = OpenForReading(path);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return 0;
  }
  return GetLastError() == ERROR_SHARING_VIOLATION ? 1 : 2;
}

bool Map(HANDLE file) {
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  CloseHandle(file);
  if (mapping == nullptr) return false;
  const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  CloseHandle(mapping);
  return view != nullptr;
}

// The handle of "open" stays open until the process ends, which ends the hold.
bool Hold(const char* mode, const char* path) {
  if (std::strcmp(mode, "wait") == 0) return true;
  if (std::strcmp(mode, "keep") == 0) {
    return OpenForReading(path, FILE_SHARE_READ | FILE_SHARE_WRITE) != INVALID_HANDLE_VALUE;
  }
  if (std::strcmp(mode, "open") != 0 && std::strcmp(mode, "map") != 0) return false;
  HANDLE file = OpenForReading(path);
  if (file == INVALID_HANDLE_VALUE) return false;
  return std::strcmp(mode, "open") == 0 || Map(file);
}

void WaitForEndOfInput() {
  char byte;
  DWORD got = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &got, nullptr) && got == 1) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  if (std::strcmp(argv[1], "try") == 0) return argc < 3 ? 2 : TryOpen(argv[2]);
  if (!Hold(argv[1], argc < 3 ? "" : argv[2])) return 3;
  DWORD written = 0;
  if (!WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "ready\n", 6, &written, nullptr)) return 3;
  WaitForEndOfInput();
  return 0;
}
