#include "engine_world.h"

#include <algorithm>

#include "engine/process_values.h"

namespace quelb::testing {

EngineWorld::EngineWorld()
    : source_(scratch_ / "source"), target_(scratch_ / "target"), savedAppName_(AppName) {
  fs::create_directories(source_);
  fs::create_directories(target_);
  fs::create_directories(drives_.Root('c') / "LDGRHOME");
  AppName = "QUELB";
  RunAborted = kFalse;
}

EngineWorld::~EngineWorld() {
  AppName = savedAppName_;
  RunAborted = kFalse;
}

UpdateRunState EngineWorld::RunFor(const std::string& name) const {
  UpdateRunState run;
  run.SourcePath = source_.string();
  run.TargetPath = target_.string();
  run.CurrentFile = name;
  return run;
}

FileOutcome EngineWorld::HandleWholly(UpdateRunState& run) {
  if (HandleFile(run, errors_) == FileOutcome::kAbort) return FileOutcome::kAbort;
  return FinishWaitingCopies(run, errors_);
}

std::vector<std::string> EngineWorld::NamesIn(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code missing;
  for (const auto& entry : fs::directory_iterator(folder, missing)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace quelb::testing
