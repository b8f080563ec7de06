#include <cstdio>

#include "dialog/choice/chosen_backend.h"
#include "dialog/message_box.h"
#include "services/error.h"
#include "services/message.h"
#include "services/process.h"
#include "startup/startup.h"
#ifdef _WIN32
#include "startup/main/dll_search.h"
#endif

int main() {
#ifdef _WIN32
  quelb::SearchDllsInTheSystemFolderOnly();
#endif
  if (const quelb::Text fault = quelb::EnvironmentFault(); !fault.empty()) {
    std::fprintf(stderr, "setup: %s\n", fault.c_str());
    return quelb::kFatalExitCode;
  }
  if (!quelb::dialog::OpenBackend()) {
    std::fputs("setup: no display and no terminal to show the installer in\n", stderr);
    return quelb::kFatalExitCode;
  }
  quelb::SetMessageHandler([](const quelb::Box& box) {
    return quelb::dialog::ShowMessageBox(box.text, box.title, box.style);
  });
  return quelb::RunSetup();
}
