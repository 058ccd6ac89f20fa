#pragma once
// How wide a control must be to show its caption whole, measured with the font it really uses.

#include "platform/Form1Layout.h"
#include "platform/win32/Win32Api.h"

namespace hivetidy::win32 {

// The narrowest width in pixels, not below the control's present one, at which the control of
// that kind shows its present caption whole at its present height; at most limit, where even
// that is not enough for a wrapped label. A picture box has no caption: its present width.
[[nodiscard]] int CaptionWidthOf(HWND control, ControlKind kind, int limit);

} // namespace hivetidy::win32
