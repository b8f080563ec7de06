#include "engine/process_values.h"

namespace quelb {

Text AppName;
Flag UpdateMode = kFalse;
Flag RunAborted = kFalse;

}  // namespace quelb
