// The world of an engine test: a drive table of its own (with C:\LDGRHOME, the parent of the
// download folder), real source and target folders, a scripted operator, the run's error
// state, and the current folder, COMSPEC and AppName put back afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "support/guards.h"
#include "support/scripted_operator.h"
#include "support/temp_folder.h"

namespace quelb::testing {

namespace fs = std::filesystem;

inline constexpr uint32_t kRetryPromptStyle = 0x2024;
inline constexpr uint32_t kFilePromptStyle = 0x2022;

class EngineWorld : public ::testing::Test {
 protected:
  EngineWorld();
  ~EngineWorld() override;

  // A run state as the run has it when it hands CurrentFile to the per-file handling.
  UpdateRunState RunFor(const std::string& name) const;
  // HandleFile as the run calls it, and then, as the run does at the end of its pass, the
  // copies it left waiting finished.
  FileOutcome HandleWholly(UpdateRunState& run);

  fs::path DownloadFolder() { return drives_.Root('c') / "LDGRHOME" / "DOWNLOAD"; }
  // The names in a folder, sorted.
  static std::vector<std::string> NamesIn(const fs::path& folder);

  DriveTable drives_;
  TempFolder scratch_;
  fs::path source_;
  fs::path target_;
  ScriptedOperator operator_;
  ErrorState errors_;
  // Declared after the folders, so that the test leaves them before they are removed.
  CurrentFolderGuard currentFolder_;
  EnvironmentGuard comspec_{"COMSPEC"};

 private:
  Text savedAppName_;
};

}  // namespace quelb::testing
