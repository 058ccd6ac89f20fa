#pragma once
// Finding a control's layout entry from its Win32 identifier, and layout colours as COLORREFs.

#include "platform/Form1Layout.h"
#include "platform/win32/Win32Api.h"

namespace hivetidy::win32 {

// The layout entry of the control with that identifier; nullptr for any other identifier.
[[nodiscard]] inline const ControlLayout* LayoutWithId(int id) noexcept
{
    for (const ControlLayout& entry : kForm1Layout) {
        if (entry.id == id) {
            return &entry;
        }
    }
    return nullptr;
}

[[nodiscard]] constexpr COLORREF ColourOf(Rgb colour) noexcept
{
    return RGB(colour.red, colour.green, colour.blue);
}

} // namespace hivetidy::win32
