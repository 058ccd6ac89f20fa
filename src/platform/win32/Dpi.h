#pragma once
// Twips (1/1440 inch), points and pixels at the system DPI (the program is DPI-aware).

#include <cmath>

namespace hivetidy::win32 {

inline constexpr int kTwipsPerInch = 1440;

// The screen's pixels per logical inch.
[[nodiscard]] int SystemDpi();

[[nodiscard]] inline int TwipsToPixels(double twips, int dpi)
{
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

[[nodiscard]] inline double PixelsToTwips(int pixels, int dpi)
{
    return static_cast<double>(pixels) * kTwipsPerInch / dpi;
}

// LOGFONT height of a font of that many points: negative, so that it is the character height.
[[nodiscard]] int FontHeightOf(double points, int dpi);

} // namespace hivetidy::win32
