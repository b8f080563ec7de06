// Stands in for a virus scanner: opens the files of a folder over and over, for reading and
// sharing reads and writes but not deletion, as scanners often do, holds each for 20 ms and
// rests 20 ms before the next. A file written or renamed in the folder or in a folder inside
// it comes first, at once, as a scanner opens each new file as soon as it is closed, wherever
// it is made; this one, slower than a copy, takes the newest.
//   scanner <folder>
// It writes "ready" on its output once it watches the folder, and goes on until its input
// reaches its end. Its exit code is the count of files it opened.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD kHeld = 20;
constexpr DWORD kRest = 20;
constexpr DWORD kWatched =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;

// The test closes the scanner's input when it should stop.
bool InputEnded() {
  DWORD waiting = 0;
  return !PeekNamedPipe(GetStdHandle(STD_INPUT_HANDLE), nullptr, 0, nullptr, &waiting, nullptr) ||
         waiting > 0;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      names.emplace_back(entry.cFileName);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return names;
}

// The names the folder's changes give, read without waiting.
class FolderWatch {
 public:
  explicit FolderWatch(const std::string& folder)
      : folder_(CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED,
                            nullptr)) {
    overlapped_.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    armed_ = folder_ != INVALID_HANDLE_VALUE && Arm();
  }

  bool Armed() const { return armed_; }

  // Rests until a change comes, for at most the time given.
  void RestUnlessChanged(DWORD rest) const { WaitForSingleObject(overlapped_.hEvent, rest); }

  // The newest name changed since the last call, or empty.
  std::string Newest() {
    DWORD got = 0;
    if (!armed_ || !GetOverlappedResult(folder_, &overlapped_, &got, FALSE)) return {};
    std::string newest;
    for (DWORD at = 0; got > 0;) {
      const auto* change = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer_ + at);
      if (change->Action != FILE_ACTION_REMOVED && change->Action != FILE_ACTION_RENAMED_OLD_NAME) {
        char name[MAX_PATH] = {};
        WideCharToMultiByte(CP_ACP, 0, change->FileName,
                            static_cast<int>(change->FileNameLength / sizeof(WCHAR)), name,
                            sizeof name - 1, nullptr, nullptr);
        newest = name;
      }
      if (change->NextEntryOffset == 0) break;
      at += change->NextEntryOffset;
    }
    armed_ = Arm();
    return newest;
  }

 private:
  bool Arm() {
    ResetEvent(overlapped_.hEvent);
    return ReadDirectoryChangesW(folder_, buffer_, sizeof buffer_, TRUE, kWatched, nullptr,
                                 &overlapped_, nullptr) != FALSE;
  }

  HANDLE folder_;
  OVERLAPPED overlapped_{};
  alignas(DWORD) char buffer_[64 * 1024];
  bool armed_ = false;
};

bool Hold(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  Sleep(kHeld);
  CloseHandle(file);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 0;
  const std::string folder = argv[1];
  FolderWatch watch(folder);
  if (!watch.Armed()) return 0;
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "ready\n", 6, &written, nullptr);
  std::vector<std::string> round;
  size_t next = 0;
  int opened = 0;
  while (!InputEnded()) {
    std::string name = watch.Newest();
    if (name.empty()) {
      if (next >= round.size()) round = FilesIn(folder), next = 0;
      if (next < round.size()) name = round[next++];
    }
    if (!name.empty() && Hold(folder + "\\" + name)) ++opened;
    watch.RestUnlessChanged(kRest);
  }
  return opened;
}
