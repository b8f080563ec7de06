// A program archive for the engine tests. What it does is written after the program in its
// own file (see tests/support/win32/engine_archive.cpp): it records its arguments, one a
// line, in the log named there, unpacks one file into the folder named after "-o" (its
// subfolders made), and ends with the exit code given, or waits for ever when told it hangs.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../argument_log.h"

namespace {

struct Settings {
  std::string log;
  std::string unpackName;
  std::string unpackContent;
  int exitCode = 0;
  bool hangs = false;
};

std::string OwnFile() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::ifstream in(std::string(path, length), std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool ReadSettings(Settings& settings) {
  const std::string own = OwnFile();
  const size_t at = own.rfind("\nquelb-archive\n");
  if (at == std::string::npos) return false;
  std::istringstream lines(own.substr(at + 15));
  std::string exitCode;
  std::string ending;
  std::getline(lines, settings.log);
  std::getline(lines, settings.unpackName);
  std::getline(lines, settings.unpackContent);
  std::getline(lines, exitCode);
  std::getline(lines, ending);
  settings.exitCode = std::atoi(exitCode.c_str());
  settings.hangs = ending == "hangs";
  return true;
}

std::string FolderAfterSwitch(int argc, char** argv) {
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "-o" && i + 1 < argc) {
      folder = argv[++i];
    } else if (word.rfind("-o", 0) == 0 && word.size() > 2) {
      folder = word.substr(2);
    }
  }
  return folder;
}

// The folders of a name that reaches into subfolders are made, as an archive makes them.
void MakeFoldersOf(const std::string& path, size_t from) {
  for (size_t at = path.find_first_of("\\/", from); at != std::string::npos;
       at = path.find_first_of("\\/", at + 1)) {
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  if (!ReadSettings(settings)) return 3;
  WriteArgumentLog(settings.log.c_str(), argc, argv);
  const std::string folder = FolderAfterSwitch(argc, argv);
  const std::string path = folder + "\\" + settings.unpackName;
  MakeFoldersOf(path, folder.size() + 1);
  std::ofstream unpacked(path, std::ios::binary | std::ios::trunc);
  unpacked << settings.unpackContent;
  if (!unpacked) return 4;
  unpacked.close();
  if (settings.hangs) Sleep(INFINITE);
  return settings.exitCode;
}
