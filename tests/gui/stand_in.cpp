// Stands in, in the Windows build, for the programs the installer starts; the name it is
// started under says which:
//   cm.exe       writes its own path into %MARKERS%\cm-program and its current folder into
//                %MARKERS%\cm-started, then stays until %MARKERS%\cm-release exists
//   QUELB*.EXE   an archive: writes "new AP" into AP.exe of the folder glued to its -o
//   holder.exe   holds the file it is given open with sharing denied, writes
//                %MARKERS%\held, and stays until it is ended
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

std::string Upper(std::string name) {
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

void Mark(const char* name, const std::string& text) {
  const char* markers = std::getenv("MARKERS");
  if (markers != nullptr) std::ofstream(fs::path(markers) / name, std::ios::binary) << text;
}

void Unpack(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word.rfind("-o", 0) == 0) {
      std::ofstream(fs::path(word.substr(2)) / "AP.exe", std::ios::binary) << "new AP\n";
    }
  }
}

int Hold(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  Mark("held", "ready\n");
  Sleep(INFINITE);
  return 0;
}

int ControlModule() {
  const char* markers = std::getenv("MARKERS");
  if (markers == nullptr) return 1;
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  Mark("cm-program", std::string(program) + "\n");
  Mark("cm-started", fs::current_path().string() + "\n");
  while (!fs::exists(fs::path(markers) / "cm-release")) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string name = Upper(fs::path(argv[0]).filename().string());
  if (name.rfind("QUELB", 0) == 0) {
    Unpack(argc, argv);
    return 0;
  }
  if (name == "HOLDER.EXE") return argc == 2 ? Hold(argv[1]) : 2;
  return ControlModule();
}
