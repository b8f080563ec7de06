// The platform header for the dialog backend. It comes after the layer's own names, some of
// which it defines as macros of the same value or, for CreateDialog, as a different name.
#pragma once

#include "dialog/layer.h"
// The layer's header must come first.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#undef CreateDialog
