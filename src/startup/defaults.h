// The texts of the two modes: a first installation without a command-line tail, an update
// of an existing installation with one.
#pragma once

#include "services/text.h"
#include "startup/installer_dialog.h"

namespace quelb {

inline constexpr const char* kDefaultAppName = "QUELB";

struct StartupFacts {
  Text commandTail;
  Text currentFolder;
  bool downloadFolderPresent = false;
};

// The application name the tail selects.
Text AppNameFor(const Text& commandTail);

// Every text of the installer dialog for the given facts and application name.
InstallerTexts DefaultTexts(const StartupFacts& facts, const Text& appName);

}  // namespace quelb
