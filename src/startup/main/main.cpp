#include <cstdio>

#include "dialog/message_box.h"
#include "services/error.h"
#include "services/message.h"
#include "startup/startup.h"

int main() {
  if (!quelb::dialog::OpenBackend()) {
    std::fputs("setup: no display and no terminal to show the installer in\n", stderr);
    return quelb::kFatalExitCode;
  }
  quelb::SetMessageHandler(quelb::dialog::ShowMessageBox);
  return quelb::RunSetup();
}
