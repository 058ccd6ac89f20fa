#include "Form1Window.h"

#include "WindowQueries.h"

namespace hivedrive {

HWND Form1Window::ControlHandle(Control control) const
{
    return ::GetDlgItem(m_window, hivetidy::LayoutOf(control).id);
}

std::wstring Form1Window::Caption(Control control) const
{
    return StoredTextOf(ControlHandle(control));
}

bool Form1Window::IsEnabled(Control control) const
{
    return ::IsWindowEnabled(ControlHandle(control));
}

bool Form1Window::IsVisible(Control control) const
{
    return ::IsWindowVisible(ControlHandle(control));
}

std::optional<bool> Form1Window::IsChecked(Control control) const
{
    const auto state = SendWithTimeout(ControlHandle(control), BM_GETCHECK);
    if (!state) {
        return std::nullopt;
    }
    return *state == BST_CHECKED;
}

std::optional<int> Form1Window::DefaultButtonId() const
{
    const auto answer = SendWithTimeout(m_window, DM_GETDEFID);
    if (!answer || HIWORD(*answer) != DC_HASDEFID) {
        return std::nullopt;
    }
    return LOWORD(*answer);
}

bool Form1Window::HasDefaultButtonStyle(Control control) const
{
    const auto style = static_cast<DWORD>(::GetWindowLongW(ControlHandle(control), GWL_STYLE));
    return (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

std::optional<Control> Form1Window::FocusedControl() const
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(m_window, nullptr), &info)) {
        return std::nullopt;
    }
    for (const hivetidy::ControlLayout& entry : hivetidy::kForm1Layout) {
        if (ControlHandle(entry.control) == info.hwndFocus) {
            return entry.control;
        }
    }
    return std::nullopt;
}

RECT Form1Window::Bounds() const
{
    RECT bounds{};
    ::GetWindowRect(m_window, &bounds);
    return bounds;
}

void Form1Window::Click(Control control)
{
    hivedrive::Click(ControlHandle(control));
}

void Form1Window::Close()
{
    ::PostMessageW(m_window, WM_CLOSE, 0, 0);
}

void Form1Window::PressEnter()
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(m_window, nullptr), &info);
    HWND target = info.hwndFocus ? info.hwndFocus : m_window;
    // The scan code of Enter is 0x1C; the message loop's dialog handling turns the key into a
    // press of the default button.
    ::PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    ::PostMessageW(target, WM_KEYUP, VK_RETURN, 0xC01C0001);
}

} // namespace hivedrive
