// The platform header of the Win32 dialog backend, with the layer's own names, which every file
// of the backend uses beside the platform's.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "dialog/layer.h"
