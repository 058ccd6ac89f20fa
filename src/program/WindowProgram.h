#pragma once
// hivetidy.exe started without arguments: the window, as it always was.

#include "platform/win32/Win32Api.h"

namespace hivetidy::win32 {

// Builds the Win32 platform, hands it to the core's Form1, shows the window and runs the message
// loop; the program's exit code.
[[nodiscard]] int RunWindowProgram(HINSTANCE instance);

} // namespace hivetidy::win32
