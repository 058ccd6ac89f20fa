#include "platform/win32/Dpi.h"

#include "platform/win32/UniqueResource.h"

namespace hivetidy::win32 {

int SystemDpi()
{
    constexpr int kFallbackDpi = 96;
    const UniqueScreenDc screen(GetDC(nullptr));
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
    return dpi > 0 ? dpi : kFallbackDpi;
}

int FontHeightOf(double points, int dpi)
{
    // Hundredths of a point keep 8.25 and 9.75 exact in MulDiv's whole numbers.
    return -MulDiv(static_cast<int>(std::lround(points * 100)), dpi, 72 * 100);
}

} // namespace hivetidy::win32
