#include "platform/win32/CaptionFit.h"

#include "platform/win32/UniqueResource.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <string>

namespace hivetidy::win32 {

namespace {

std::wstring TextOf(HWND control)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A DC like the control's own for measuring: the screen's resolution and the control's font.
UniqueMemoryDc MeasuringDcFor(HWND control)
{
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (dc) {
        SelectObject(dc.get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    }
    return dc;
}

struct Extent {
    int width;
    int height;
};

// How far right the ink of the text reaches when DrawTextW draws it, left-aligned, into that
// rectangle with the DC's font.
int InkWidth(HDC dc, const std::wstring& text, UINT format, const RECT& target)
{
    // Room for the ink to reach past the rectangle, as far as it ever does.
    const int width = static_cast<int>(target.right) + static_cast<int>(target.right) / 8 + 16;
    const int height = std::max(static_cast<int>(target.bottom), 1);
    const UniqueMemoryDc canvas(CreateCompatibleDC(dc));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const UniqueGdiObject bitmap(canvas ? CreateDIBSection(canvas.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr);
    if (!bitmap || bits == nullptr) {
        return 0;
    }
    SelectObject(canvas.get(), bitmap.get());
    SelectObject(canvas.get(), GetCurrentObject(dc, OBJ_FONT));
    RECT all{0, 0, width, height};
    FillRect(canvas.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(canvas.get(), RGB(0, 0, 0));
    SetBkMode(canvas.get(), TRANSPARENT);
    RECT drawn = target;
    DrawTextW(canvas.get(), text.c_str(), static_cast<int>(text.size()), &drawn, (format & ~(DT_CENTER | DT_RIGHT)) | DT_NOCLIP);
    GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (int column = width - 1; column >= 0; --column) {
        for (int row = 0; row < height; ++row) {
            if ((pixels[row * width + column] & 0x00FFFFFF) != 0x00FFFFFF) {
                return column + 1;
            }
        }
    }
    return 0;
}

// The text's extent as DrawTextW lays it out within that width (a single line: any width), as
// wide as its ink reaches: a scalable font may draw wider than its advance widths add up to (Wine's
// by up to two per cent, more than the last glyph's overhang), and then the ink is what is cut.
Extent TextExtent(HDC dc, const std::wstring& text, UINT format, int width)
{
    RECT bounds{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds, format | DT_CALCRECT);
    // Drawn at the width it was wrapped at, so that it wraps the same.
    const RECT target{0, 0, (format & DT_SINGLELINE) != 0 ? bounds.right : std::max<LONG>(width, bounds.right), bounds.bottom};
    return {std::max(static_cast<int>(bounds.right), InkWidth(dc, text, format, target)), static_cast<int>(bounds.bottom)};
}

// What a push button draws around its text: the 3-D edge, and the focus rectangle inset in it.
int PushButtonFrame()
{
    return 2 * (GetSystemMetrics(SM_CXEDGE) + 2 * GetSystemMetrics(SM_CXFOCUSBORDER) + 1);
}

// What a check box draws before its text: the box, then a gap. The box is the theme's check box
// where the control draws themed, the menu check mark's size otherwise, whichever is wider. The gap
// is six pixels at 96 DPI, as the themed box leaves, and no less than half a digit and the text's
// one-pixel margin, as the classic box leaves.
int CheckBoxMark(HWND control, HDC dc)
{
    int box = GetSystemMetrics(SM_CXMENUCHECK);
    if (const HTHEME theme = GetWindowTheme(control)) {
        SIZE part{};
        if (SUCCEEDED(GetThemePartSize(theme, dc, BP_CHECKBOX, CBS_UNCHECKEDNORMAL, nullptr, TS_DRAW, &part))) {
            box = std::max(box, static_cast<int>(part.cx));
        }
    }
    INT digit = 0;
    GetCharWidth32W(dc, L'0', L'0', &digit);
    const int gap = std::max(MulDiv(6, GetDeviceCaps(dc, LOGPIXELSX), 96), digit / 2 + 1);
    return box + gap;
}

// The narrowest width from start to limit at which a wrapped label shows its text in that height;
// limit where none does. The lines only get fewer as the width grows, so halving finds it.
int WrappedWidth(HDC dc, const std::wstring& text, UINT format, int start, int height, int limit)
{
    const auto fits = [&](int width) {
        const Extent extent = TextExtent(dc, text, format, width);
        return extent.width <= width && extent.height <= height;
    };
    if (start >= limit || fits(start)) {
        return start;
    }
    int tooNarrow = start;
    int wideEnough = limit;
    while (wideEnough - tooNarrow > 1) {
        const int middle = tooNarrow + (wideEnough - tooNarrow) / 2;
        (fits(middle) ? wideEnough : tooNarrow) = middle;
    }
    return wideEnough;
}

} // namespace

int CaptionWidthOf(HWND control, ControlKind kind, int limit)
{
    RECT client{};
    GetClientRect(control, &client);
    const int width = client.right - client.left;
    const std::wstring text = TextOf(control);
    const UniqueMemoryDc dc = MeasuringDcFor(control);
    if (kind == ControlKind::PictureBox || text.empty() || !dc) {
        return width;
    }
    switch (kind) {
    case ControlKind::PushButton:
        return std::max(width, TextExtent(dc.get(), text, DT_SINGLELINE, 0).width + PushButtonFrame());
    case ControlKind::CheckBox:
        return std::max(width, TextExtent(dc.get(), text, DT_SINGLELINE, 0).width + CheckBoxMark(control, dc.get()));
    case ControlKind::Label:
        // As the static control draws it: wrapped at blanks, '&' as it stands.
        return WrappedWidth(dc.get(), text, DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX, width,
                            client.bottom - client.top, limit);
    case ControlKind::PictureBox:
        break;
    }
    return width;
}

} // namespace hivetidy::win32
