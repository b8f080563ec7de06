#include "dialog/message_box.h"
#include "services/message.h"
#include "startup/startup.h"

int main() {
  quelb::SetMessageHandler(quelb::dialog::ShowMessageBox);
  return quelb::RunSetup();
}
