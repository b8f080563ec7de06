#include "startup/startup.h"

#include "engine/engine.h"
#include "engine/process_values.h"
#include "services/error.h"
#include "services/files.h"
#include "services/process.h"
#include "startup/defaults.h"
#include "startup/installer_dialog.h"

namespace quelb {
namespace {

bool DownloadFolderPresent(ErrorState& errors) {
  return !ListFirst(errors, Text(kDownloadFolder) + "\\nul", kPlainFilesOnly).empty();
}

void HandOverToControlModule(ErrorState& errors) {
  // A control module that cannot be started is no error of the installer's.
  RunCommand(errors, "cm.exe", SW_SHOWNORMAL, true, false);
}

}  // namespace

int RunSetup() {
  ErrorState errors;
  StartupFacts facts;
  facts.currentFolder = CurrentFolder(errors, "");
  facts.commandTail = CommandTail();
  AppName = AppNameFor(facts.commandTail);
  UpdateMode = facts.commandTail.empty() ? kFalse : kTrue;
  facts.downloadFolderPresent = DownloadFolderPresent(errors);

  RunInstallerDialog(DefaultTexts(facts, AppName));

  if (RunAborted == kFalse) HandOverToControlModule(errors);
  return 0;
}

}  // namespace quelb
