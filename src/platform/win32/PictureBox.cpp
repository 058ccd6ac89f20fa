#include "platform/win32/PictureBox.h"

#include "platform/win32/LayoutLookup.h"

#include <array>
#include <initializer_list>

namespace hivetidy::win32 {

namespace {

// Both drawings are made in this logical space; the mapping mode stretches it over the box.
constexpr int kLogicalWidth = 120;
constexpr int kLogicalHeight = 60;

constexpr COLORREF kOutline = RGB(64, 64, 64);
constexpr COLORREF kSteel = RGB(96, 96, 104);
constexpr COLORREF kArmOrange = RGB(255, 128, 0);
constexpr COLORREF kLoadBlue = RGB(0, 96, 168);
constexpr COLORREF kKeyYellow = RGB(255, 224, 96);
constexpr COLORREF kRemovedRed = RGB(208, 0, 0);

// The stock DC pen and brush take any colour without creating (and deleting) GDI objects.
void UseColours(HDC dc, COLORREF outline, COLORREF fill)
{
    SelectObject(dc, GetStockObject(DC_PEN));
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SetDCPenColor(dc, outline);
    SetDCBrushColor(dc, fill);
}

void FillPolygon(HDC dc, COLORREF fill, std::initializer_list<POINT> corners)
{
    UseColours(dc, kOutline, fill);
    Polygon(dc, corners.begin(), static_cast<int>(corners.size()));
}

void FillEllipse(HDC dc, COLORREF fill, int left, int top, int right, int bottom)
{
    UseColours(dc, kOutline, fill);
    Ellipse(dc, left, top, right, bottom);
}

void FillBox(HDC dc, COLORREF outline, COLORREF fill, int left, int top, int right, int bottom)
{
    UseColours(dc, outline, fill);
    Rectangle(dc, left, top, right, bottom);
}

void Line(HDC dc, COLORREF colour, int fromX, int fromY, int toX, int toY)
{
    SelectObject(dc, GetStockObject(DC_PEN));
    SetDCPenColor(dc, colour);
    MoveToEx(dc, fromX, fromY, nullptr);
    LineTo(dc, toX, toY);
}

// A robot arm on its turntable, lifting a load.
void DrawRobotArm(HDC dc)
{
    Line(dc, kSteel, 6, 54, 114, 54);
    FillPolygon(dc, kSteel, {{18, 54}, {46, 54}, {41, 46}, {23, 46}});
    FillEllipse(dc, kSteel, 24, 40, 40, 50);
    FillPolygon(dc, kArmOrange, {{28, 45}, {36, 47}, {62, 19}, {55, 13}});
    FillPolygon(dc, kArmOrange, {{56, 11}, {60, 21}, {94, 31}, {92, 22}});
    FillEllipse(dc, kSteel, 27, 39, 37, 49);
    FillEllipse(dc, kSteel, 53, 11, 64, 22);
    FillEllipse(dc, kSteel, 88, 22, 97, 31);
    FillBox(dc, kOutline, kSteel, 86, 31, 100, 34);
    FillBox(dc, kOutline, kSteel, 86, 34, 89, 43);
    FillBox(dc, kOutline, kSteel, 97, 34, 100, 43);
    FillBox(dc, kOutline, kLoadBlue, 89, 41, 97, 52);
}

// A registry tree whose third key is struck out.
void DrawRegistryTree(HDC dc)
{
    FillBox(dc, kOutline, kKeyYellow, 8, 4, 22, 13);
    Line(dc, kOutline, 15, 13, 15, 49);
    constexpr std::array<int, 3> kBranchY{22, 35, 48};
    for (std::size_t branch = 0; branch < kBranchY.size(); ++branch) {
        const int y = kBranchY[branch];
        const bool removed = branch == 1;
        Line(dc, kOutline, 15, y, 28, y);
        FillBox(dc, kOutline, removed ? kRemovedRed : kKeyYellow, 28, y - 5, 41, y + 5);
        FillBox(dc, kSteel, kSteel, 46, y - 2, removed ? 96 : 84 + static_cast<int>(branch) * 10, y + 1);
        if (removed) {
            Line(dc, kRemovedRed, 44, y - 6, 100, y + 5);
            Line(dc, kRemovedRed, 44, y + 5, 100, y - 6);
        }
    }
    Line(dc, kOutline, 22, 8, 112, 8);
}

void PaintPicture(HWND window, HDC dc)
{
    RECT client{};
    GetClientRect(window, &client);
    const ControlLayout* layout = LayoutWithId(GetDlgCtrlID(window));
    SetDCBrushColor(dc, ColourOf(layout ? layout->background : kWhite));
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    if (!layout) {
        return;
    }
    // SaveDC/RestoreDC put back the mapping mode and the selected pen and brush.
    const int saved = SaveDC(dc);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, kLogicalWidth, kLogicalHeight, nullptr);
    SetViewportExtEx(dc, client.right, client.bottom, nullptr);
    if (layout->control == Control::Picture1) {
        DrawRobotArm(dc);
    } else {
        DrawRegistryTree(dc);
    }
    RestoreDC(dc, saved);
}

LRESULT CALLBACK PictureBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // WM_PAINT fills the whole box; erasing first would only flicker
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        const HDC dc = BeginPaint(window, &paint);
        PaintPicture(window, dc);
        EndPaint(window, &paint);
        return 0;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

bool RegisterPictureBoxClass(HINSTANCE instance)
{
    WNDCLASSEXW pictureClass{};
    pictureClass.cbSize = sizeof(pictureClass);
    pictureClass.lpfnWndProc = PictureBoxProc;
    pictureClass.hInstance = instance;
    pictureClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    pictureClass.lpszClassName = kPictureBoxClassName;
    return RegisterClassExW(&pictureClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace hivetidy::win32
