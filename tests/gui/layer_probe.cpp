// Builds the installer dialog through the dialog layer, with a callback of its own, or shows one
// message box, and prints every message the callback gets, one line each, for the GUI and
// terminal tests to read. The lines go to the standard error stream, so that standard output
// can be the terminal that the dialog is drawn on.
//
//   layer_probe dialog install|update [--ok=none|end|box:STYLE|status:FILE]
//   layer_probe box STYLE TITLE TEXT
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "dialog/choice/chosen_backend.h"
#include "dialog/layer.h"
#include "dialog/message_box.h"
#include "startup/installer_dialog.h"
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "dialog/win32/windows_api.h"
#endif

namespace {

using namespace quelb;
using namespace quelb::dialog;

const InstallerTexts kInstall{
    "QUELB Accounting Software Installation   (7z)", "/home/ann/setup", "C:\\QUELB", "",
    "(For Networks, use its drive letter)",          "INSTALL"};
const InstallerTexts kUpdate{"QUELB Accounting Software Update   (7z)",
                             "A",
                             "/home/ann/quelb",
                             "For Networks, be sure all other users are out of QUELB",
                             "(Change ONLY if instructed otherwise)",
                             "UPDATE"};

constexpr int kSource = 400, kStatus = 402;

std::string okAction = "none";

// Stands for a run that works without taking events until the test lets it go on.
void WorkUntilFileExists(DialogHandle dialog, const std::string& file) {
  SetControlText(dialog, kStatus, "Copying A:\\QUELBAP.EXE");
  std::fprintf(stderr, "status written\n");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (!std::filesystem::exists(file) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  SetControlText(dialog, kStatus, "Disk 1 loaded");
}

void OnRunButton(DialogHandle dialog) {
  if (okAction == "end") {
    EndDialog(dialog, 0);
    EndDialog(dialog, 5);
    std::fprintf(stderr, "after end: source \"%s\"\n", GetControlText(dialog, kSource).c_str());
  } else if (okAction.rfind("box:", 0) == 0) {
    const uint32_t style = std::strtoul(okAction.c_str() + 4, nullptr, 0);
    std::fprintf(stderr, "box answer %d\n",
                 ShowMessageBox("Load another disk?\r\nIf so, put in the disk "
                                "and click YES",
                                "Probe question", style));
  } else if (okAction.rfind("status:", 0) == 0) {
    WorkUntilFileExists(dialog, okAction.substr(7));
  }
}

// Where the window system draws the frame, the tests read the dialog's style from it, and
// the status line's style and the font's character set as the platform keeps them.
void PrintStyle([[maybe_unused]] uint32_t handle) {
#ifdef _WIN32
  HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
  std::fprintf(stderr, "style 0x%lx\n",
               static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)));
  std::fprintf(stderr, "status style 0x%lx\n",
               static_cast<unsigned long>(GetWindowLongA(GetDlgItem(window, kStatus), GWL_STYLE)));
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof font, &font);
  std::fprintf(stderr, "font charset %d\n", font.lfCharSet);
#endif
}

int32_t Callback(DialogHandle dialog, uint32_t message, uint32_t wParam, uint32_t lParam) {
  std::fprintf(stderr, "msg %u wparam 0x%x lparam 0x%x\n", message, wParam, lParam);
  if (message == WM_INITDIALOG) PrintStyle(wParam);
  // The last moment at which the controls still exist.
  if (message == WM_CLOSE) {
    std::fprintf(stderr, "text 400 %s\n", GetControlText(dialog, kSource).c_str());
  }
  if (message != WM_COMMAND) return 0;
  const uint32_t id = wParam & 0xFFFF;
  if (id == 2) EndDialog(dialog, 2);
  if (id == 1) OnRunButton(dialog);
  return 0;
}

int RunDialog(const InstallerTexts& texts) {
  DialogHandle dialog = BuildInstallerDialog(texts);
  int32_t result = -1;
  ShowModal(dialog, Callback, &result);
  std::fprintf(stderr, "result %d\n", result);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The Windows runtime would end the lines with CR LF.
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  if (!OpenBackend()) {
    std::fputs("layer_probe: no display and no terminal\n", stderr);
    return 255;
  }
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "box" && argc == 5) {
    const uint32_t style = std::strtoul(argv[2], nullptr, 0);
    std::fprintf(stderr, "answer %d\n", ShowMessageBox(argv[4], argv[3], style));
    return 0;
  }
  if (mode == "dialog" && argc >= 3) {
    if (argc >= 4 && std::string(argv[3]).rfind("--ok=", 0) == 0) okAction = argv[3] + 5;
    return RunDialog(std::string(argv[2]) == "update" ? kUpdate : kInstall);
  }
  std::fprintf(stderr,
               "usage: layer_probe dialog install|update [--ok=ACTION] | "
               "layer_probe box STYLE TITLE TEXT\n");
  return 2;
}
