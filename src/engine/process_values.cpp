#include "engine/process_values.h"

#include "engine/engine.h"
#include "services/process.h"

namespace quelb {

Text AppName;
Flag UpdateMode = kFalse;
Flag RunAborted = kFalse;
Text DownloadFolder = kDownloadFolder;
std::chrono::seconds ArchiveTimeLimit = kNoTimeLimit;

}  // namespace quelb
