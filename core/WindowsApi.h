#pragma once
// The Windows API for the platform layer's Windows bodies: <windows.h>
// without its min and max macros (which break std::min and std::max) and
// without the rarely used parts it would otherwise pull in.

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif
