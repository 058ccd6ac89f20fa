#pragma once
// <windows.h> for the Win32 layer, without the macros that would rename the core's own members
// (CreateDirectory, SetCurrentDirectory, MessageBox) or blank them out (Yield). Include this,
// never <windows.h> itself, so every file sees the core's interfaces the same way.

#include <windows.h>

#undef CreateDirectory
#undef SetCurrentDirectory
#undef MessageBox
#undef Yield
