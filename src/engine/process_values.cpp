#include "engine/process_values.h"

#include "engine/engine.h"

namespace quelb {

Text AppName;
Flag UpdateMode = kFalse;
Flag RunAborted = kFalse;
Text DownloadFolder = kDownloadFolder;

}  // namespace quelb
