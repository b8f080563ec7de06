#include "startup/defaults.h"

#include "engine/engine.h"

namespace quelb {

Text AppNameFor(const Text& commandTail) {
  return commandTail.empty() ? Text(kDefaultAppName) : commandTail;
}

InstallerTexts DefaultTexts(const StartupFacts& facts, const Text& appName) {
  const bool update = !facts.commandTail.empty();
  InstallerTexts texts;
  Text titleText = update ? "Update" : "Installation";
  texts.sourceDefault = update ? Text("A") : facts.currentFolder;
  texts.targetDefault = update ? facts.currentFolder : "C:\\" + appName;
  texts.runCaption = update ? "UPDATE" : "INSTALL";
  texts.targetNote =
      update ? "(Change ONLY if instructed otherwise)" : "(For Networks, use its drive letter)";
  if (update) texts.networkNote = "For Networks, be sure all other users are out of " + appName;
  if (facts.downloadFolderPresent) texts.sourceDefault = kDownloadFolder;
  titleText += "   (7z)";
  texts.title = appName + " Accounting Software " + titleText;
  return texts;
}

}  // namespace quelb
