// The choice of the dialog backend, made once when the program starts.
#pragma once

namespace quelb::dialog {

// Connects the first of the build's backends that can show something, to which every
// operation of the layer then goes; false when none can (no display and no terminal). Nothing
// is shown and no file is touched either way.
bool OpenBackend();

}  // namespace quelb::dialog
