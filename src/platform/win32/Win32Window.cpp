#include "platform/win32/Win32Window.h"

#include "platform/win32/CaptionFit.h"
#include "platform/win32/Dpi.h"
#include "platform/win32/ExceptionBoundary.h"
#include "platform/win32/LayoutFont.h"
#include "platform/win32/LayoutLookup.h"
#include "platform/win32/PictureBox.h"
#include "platform/win32/ResourceIds.h"
#include "platform/win32/WideText.h"

#include <algorithm>
#include <cmath>

namespace hivetidy::win32 {

namespace {

// A fixed frame: no sizing border and no maximise box.
constexpr DWORD kFrameStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT_PTR kTimer1Id = 1;

[[nodiscard]] constexpr bool IsInTabOrder()
{
    for (std::size_t index = 0; index < kForm1Layout.size(); ++index) {
        if (kForm1Layout[index].tabIndex != static_cast<int>(index)) {
            return false;
        }
    }
    return true;
}
// Creation order is the tab order that IsDialogMessageW follows.
static_assert(IsInTabOrder(), "the layout must list the controls in tab order");

// Where the rightmost control of the layout ends; a widened control ends no further right than the
// margin the layout leaves after it.
[[nodiscard]] constexpr int RightmostEdge()
{
    int right = 0;
    for (const ControlLayout& entry : kForm1Layout) {
        right = std::max(right, entry.left + entry.width);
    }
    return right;
}

std::size_t IndexOf(Control control)
{
    return static_cast<std::size_t>(control);
}

struct ClickEvent {
    Control control;
    void (FormEvents::*handler)();
};

constexpr std::array<ClickEvent, 4> kClickEvents{{
    {Control::Command1, &FormEvents::Command1_Click},
    {Control::Command2, &FormEvents::Command2_Click},
    {Control::Command3, &FormEvents::Command3_Click},
    {Control::Check1, &FormEvents::Check1_Click},
}};

const wchar_t* ClassOf(ControlKind kind)
{
    switch (kind) {
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
        return L"BUTTON";
    case ControlKind::Label:
        return L"STATIC";
    case ControlKind::PictureBox:
        break;
    }
    return kPictureBoxClassName;
}

DWORD StyleOf(const ControlLayout& entry)
{
    switch (entry.kind) {
    case ControlKind::PushButton:
        return WS_TABSTOP | BS_PUSHBUTTON;
    case ControlKind::CheckBox:
        return WS_TABSTOP | BS_AUTOCHECKBOX;
    case ControlKind::Label: {
        // Labels show messages, not captions with access keys: an '&' in them is just an '&'.
        const DWORD align = entry.align == TextAlign::Right ? SS_RIGHT : entry.align == TextAlign::Centre ? SS_CENTER : SS_LEFT;
        return SS_NOPREFIX | align;
    }
    case ControlKind::PictureBox:
        break;
    }
    return 0;
}

DWORD ExStyleOf(const ControlLayout& entry)
{
    // A picture box has a sunken border.
    return entry.kind == ControlKind::PictureBox ? WS_EX_CLIENTEDGE : 0;
}

[[nodiscard]] bool SameFont(const FontSpec& a, const FontSpec& b)
{
    return a.face == b.face && a.points == b.points && a.bold == b.bold;
}

[[nodiscard]] bool RegisterMainClass(HINSTANCE instance, WNDPROC procedure)
{
    const std::wstring className = Widen(kWindowClassName);
    WNDCLASSEXW mainClass{};
    mainClass.cbSize = sizeof(mainClass);
    mainClass.lpfnWndProc = procedure;
    mainClass.hInstance = instance;
    // LR_SHARED: the system owns the icons and frees them; a program without the icon gets none.
    mainClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_HIVETIDY), IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
    mainClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_HIVETIDY), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    mainClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    mainClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    mainClass.lpszClassName = className.c_str();
    return RegisterClassExW(&mainClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

bool Win32Window::Create(HINSTANCE instance)
{
    m_dpi = SystemDpi();
    if (!RegisterMainClass(instance, &Win32Window::WindowProc) || !RegisterPictureBoxClass(instance)) {
        return false;
    }
    // The layout gives the client area; the frame comes on top of it.
    const SIZE outer = OuterSizeOf(ToPixels(kClientWidth), ToPixels(kClientHeight));
    // WM_NCCREATE takes ownership of the new window (see WindowProc).
    const HWND window = CreateWindowExW(0, Widen(kWindowClassName).c_str(), Widen(kWindowCaption).c_str(), kFrameStyle,
                                        CW_USEDEFAULT, CW_USEDEFAULT, outer.cx, outer.cy, nullptr, nullptr, instance, this);
    return window != nullptr && CreateControls(instance);
}

SIZE Win32Window::OuterSizeOf(int clientWidth, int clientHeight) noexcept
{
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, kFrameStyle, FALSE, 0);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

bool Win32Window::CreateControls(HINSTANCE instance)
{
    for (const ControlLayout& entry : kForm1Layout) {
        const HWND control = CreateWindowExW(ExStyleOf(entry), ClassOf(entry.kind), Widen(entry.text).c_str(),
                                             WS_CHILD | WS_VISIBLE | StyleOf(entry), ToPixels(entry.left),
                                             ToPixels(entry.top), ToPixels(entry.width), ToPixels(entry.height),
                                             m_window.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)),
                                             instance, nullptr);
        if (control == nullptr) {
            return false;
        }
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(entry.font)), FALSE);
        m_controls[IndexOf(entry.control)] = control;
        FitToCaption(entry.control);
    }
    return true;
}

void Win32Window::FitToCaption(Control control)
{
    // The layout was drawn with fonts that the system's may be wider than, and at 96 DPI; measured
    // with the font the control really uses, a caption that would be cut widens its control to the
    // right. Only the width changes: the left and top edges, the height and the tab order stay.
    const HWND handle = ControlHandle(control);
    RECT frame{};
    GetWindowRect(handle, &frame);
    MapWindowPoints(nullptr, m_window.get(), reinterpret_cast<POINT*>(&frame), 2);
    const int margin = ToPixels(kClientWidth) - ToPixels(RightmostEdge());
    // A label wider than the screen would show no more of its text.
    const int limit = std::max(frame.right - frame.left, GetSystemMetrics(SM_CXSCREEN) - frame.left - margin);
    const int width = CaptionWidthOf(handle, LayoutOf(control).kind, limit);
    if (width <= frame.right - frame.left) {
        return;
    }
    RECT client{};
    GetClientRect(m_window.get(), &client);
    if (frame.left + width + margin > client.right) {
        GrowClientTo(frame.left + width + margin);
    }
    SetWindowPos(handle, nullptr, 0, 0, width, frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::GrowClientTo(int clientWidth)
{
    RECT window{};
    GetWindowRect(m_window.get(), &window);
    RECT client{};
    GetClientRect(m_window.get(), &client);
    const SIZE outer = OuterSizeOf(clientWidth, client.bottom);
    // Half of the growth to either side: a window centred on the screen stays centred.
    const int grownBy = outer.cx - (window.right - window.left);
    SetWindowPos(m_window.get(), nullptr, window.left - grownBy / 2, window.top, outer.cx, outer.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

HFONT Win32Window::FontFor(const FontSpec& wanted)
{
    for (const CreatedFont& created : m_fonts) {
        if (SameFont(created.wanted, wanted)) {
            return created.font.get();
        }
    }
    UniqueFont font = CreateLayoutFont(wanted, m_dpi);
    const HFONT handle = font.get();
    m_fonts.push_back({wanted, std::move(font)});
    return handle;
}

void Win32Window::Show(int showCommand)
{
    ShowWindow(m_window.get(), showCommand);
    UpdateWindow(m_window.get());
}

int Win32Window::RunMessageLoop()
{
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchOne(message);
    }
    return static_cast<int>(message.wParam);
}

void Win32Window::ProcessWaitingMessages()
{
    // A run yields after every key it reads. Looking into an empty queue is a system call all the
    // same (under Wine a round trip to its server), so the queue is looked into at most every few
    // milliseconds: a click or a repaint still waits less than a screen refresh.
    constexpr auto kLookInterval = std::chrono::milliseconds(8);
    const auto now = std::chrono::steady_clock::now();
    if (m_lastLook != std::chrono::steady_clock::time_point{} && now - m_lastLook < kLookInterval) {
        return;
    }
    m_lastLook = now;
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Taken off the queue here, the quit belongs to the message loop: put it back for it.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        DispatchOne(message);
    }
}

void Win32Window::DispatchOne(MSG& message) noexcept
{
    // IsDialogMessageW gives the window Tab, Enter for the default button and the access keys.
    if (m_window && IsDialogMessageW(m_window.get(), &message)) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

HWND Win32Window::ControlHandle(Control control) const noexcept
{
    return m_controls[IndexOf(control)];
}

void Win32Window::SetCaption(Control control, std::string_view caption)
{
    SetWindowTextW(ControlHandle(control), Widen(caption).c_str());
    // The core's captions come after start-up; each is measured as the laid-out ones were.
    FitToCaption(control);
}

void Win32Window::SetEnabled(Control control, bool enabled)
{
    const HWND handle = ControlHandle(control);
    const bool hadFocus = GetFocus() == handle;
    EnableWindow(handle, enabled);
    if (hadFocus && !enabled) {
        HandFocusOnFrom(handle);
    }
}

void Win32Window::SetVisible(Control control, bool visible)
{
    const HWND handle = ControlHandle(control);
    const bool hadFocus = GetFocus() == handle;
    ShowWindow(handle, visible ? SW_SHOW : SW_HIDE);
    if (hadFocus && !visible) {
        HandFocusOnFrom(handle);
    }
}

void Win32Window::SetDefault(Control control)
{
    SendMessageW(m_window.get(), DM_SETDEFID, static_cast<WPARAM>(LayoutOf(control).id), 0);
}

void Win32Window::SetFocus(Control control)
{
    ::SetFocus(ControlHandle(control));
}

int Win32Window::CheckValue(Control control)
{
    return SendMessageW(ControlHandle(control), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32Window::EnableTimer(bool enabled)
{
    // SetTimer with the same identifier restarts the one timer instead of adding a second.
    if (enabled) {
        SetTimer(m_window.get(), kTimer1Id, kTimer1IntervalMs, nullptr);
    } else {
        KillTimer(m_window.get(), kTimer1Id);
    }
}

TwipsSize Win32Window::ScreenSize()
{
    return {ToTwips(GetSystemMetrics(SM_CXSCREEN)), ToTwips(GetSystemMetrics(SM_CYSCREEN))};
}

TwipsSize Win32Window::WindowSize()
{
    RECT frame{};
    GetWindowRect(m_window.get(), &frame);
    return {ToTwips(frame.right - frame.left), ToTwips(frame.bottom - frame.top)};
}

void Win32Window::MoveTo(double leftTwips, double topTwips)
{
    SetWindowPos(m_window.get(), nullptr, ToPixels(leftTwips), ToPixels(topTwips), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::Repaint()
{
    // Paints now, children included: the caller blocks the message loop right afterwards.
    RedrawWindow(m_window.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

LRESULT CALLBACK Win32Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_NCCREATE) {
        // The object comes with CreateWindowExW's last argument; keep it for every later message.
        auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_window.reset(window);
    }
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->HandleMessage(window, message, wParam, lParam);
}

LRESULT Win32Window::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_CLOSE:
        // The core decides how the program ends; the window is not destroyed here.
        Deliver(&FormEvents::CloseBox);
        return 0;
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case DM_GETDEFID:
        return OnGetDefId();
    case DM_SETDEFID:
        OnSetDefId(static_cast<int>(wParam));
        return TRUE;
    case WM_NEXTDLGCTL:
        OnNextDlgCtl(wParam, lParam);
        return 0;
    case WM_ACTIVATE:
        if (OnActivate(wParam)) {
            return 0;
        }
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        OnNcDestroy(window);
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Win32Window::OnCommand(int id, int code) noexcept
{
    if (code != BN_CLICKED) {
        return;
    }
    for (const ClickEvent& event : kClickEvents) {
        if (LayoutOf(event.control).id == id) {
            Deliver(event.handler);
            return;
        }
    }
}

void Win32Window::OnTimer(UINT_PTR timerId) noexcept
{
    if (timerId == kTimer1Id) {
        Deliver(&FormEvents::Timer1_Timer);
    }
}

LRESULT Win32Window::OnCtlColorStatic(HDC dc, HWND control) noexcept
{
    const ControlLayout* layout = LayoutWithId(GetDlgCtrlID(control));
    SetTextColor(dc, layout ? ColourOf(layout->foreground) : GetSysColor(COLOR_WINDOWTEXT));
    // Labels and the check box stand on the window's own button-face background.
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT Win32Window::OnGetDefId() noexcept
{
    // As in a dialog, a push button that has the focus takes Enter; otherwise the default button.
    int id = m_defaultId;
    const ControlLayout* focused = LayoutWithId(GetDlgCtrlID(GetFocus()));
    if (focused && focused->kind == ControlKind::PushButton && IsChild(m_window.get(), GetFocus())) {
        id = focused->id;
    }
    return id != 0 ? MAKELRESULT(id, DC_HASDEFID) : 0;
}

void Win32Window::OnSetDefId(int id) noexcept
{
    const ControlLayout* layout = LayoutWithId(id);
    if (!layout || layout->kind != ControlKind::PushButton) {
        return;
    }
    // Only one button shows the thick default frame.
    if (const ControlLayout* previous = LayoutWithId(m_defaultId)) {
        SendMessageW(ControlHandle(previous->control), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    }
    SendMessageW(ControlHandle(layout->control), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    m_defaultId = id;
}

void Win32Window::OnNextDlgCtl(WPARAM target, LPARAM isHandle) noexcept
{
    // LOWORD(lParam) set: wParam is the control; otherwise wParam picks the next or previous one.
    const HWND next = LOWORD(isHandle) ? reinterpret_cast<HWND>(target)
                                       : GetNextDlgTabItem(m_window.get(), GetFocus(), target != 0);
    if (next != nullptr) {
        ::SetFocus(next);
    }
}

bool Win32Window::OnActivate(WPARAM state) noexcept
{
    if (LOWORD(state) == WA_INACTIVE) {
        // Remember the control that had the focus, to give it back on return, as a dialog does.
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(m_window.get(), focus)) {
            m_lastFocus = focus;
        }
        return false;
    }
    if (HIWORD(state) != 0) {
        return false; // activated while minimised: no control to focus yet
    }
    RestoreFocus();
    return true;
}

void Win32Window::OnNcDestroy(HWND window) noexcept
{
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    // The system has destroyed the window; there is nothing left to close.
    static_cast<void>(m_window.release());
    m_controls.fill(nullptr);
}

void Win32Window::Deliver(void (FormEvents::*handler)()) noexcept
{
    if (m_events == nullptr) {
        return;
    }
    CallGuarded(m_window.get(), [&] { (m_events->*handler)(); });
}

void Win32Window::HandFocusOnFrom(HWND control) noexcept
{
    // A disabled or hidden control loses the focus to nobody, and the keyboard goes dead; hand it
    // to the next control that can take it, or to the window itself.
    const HWND next = GetNextDlgTabItem(m_window.get(), control, FALSE);
    ::SetFocus(next != nullptr && next != control ? next : m_window.get());
}

void Win32Window::RestoreFocus() noexcept
{
    HWND target = m_lastFocus;
    if (target == nullptr || !IsWindowEnabled(target) || !IsWindowVisible(target)) {
        target = GetNextDlgTabItem(m_window.get(), nullptr, FALSE);
    }
    ::SetFocus(target != nullptr ? target : m_window.get());
}

int Win32Window::ToPixels(double twips) const noexcept
{
    return TwipsToPixels(twips, m_dpi);
}

double Win32Window::ToTwips(int pixels) const noexcept
{
    return PixelsToTwips(pixels, m_dpi);
}

} // namespace hivetidy::win32
