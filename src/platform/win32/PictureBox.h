#pragma once
// The two picture boxes: a child window class that paints its laid-out background colour and a
// small vector drawing of its own.

#include "platform/win32/Win32Api.h"

namespace hivetidy::win32 {

inline constexpr wchar_t kPictureBoxClassName[] = L"HivetidyPictureBox";

// Registers the picture box class once per process; false when it cannot be registered.
[[nodiscard]] bool RegisterPictureBoxClass(HINSTANCE instance);

} // namespace hivetidy::win32
