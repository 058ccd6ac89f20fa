#pragma once
// The fonts of the layout at the system DPI.

#include "platform/Form1Layout.h"
#include "platform/win32/UniqueResource.h"

namespace hivetidy::win32 {

// The laid-out font at that DPI. A raster face that has no size for the DPI would keep its text
// at one of its few sizes while the layout scales; then the face the system shows in its place.
[[nodiscard]] UniqueFont CreateLayoutFont(const FontSpec& wanted, int dpi);

} // namespace hivetidy::win32
