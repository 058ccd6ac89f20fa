#pragma once
// hivetidy.exe's main window as seen from outside: its controls found by their ids, read and
// clicked through window messages only.

#include "platform/Form1Layout.h"

#include <windows.h>

#include <optional>
#include <string>

namespace hivedrive {

using hivetidy::Control;

class Form1Window {
public:
    explicit Form1Window(HWND window) : m_window(window) {}

    [[nodiscard]] HWND Handle() const { return m_window; }
    // The control's window, found by its id in the window's layout.
    [[nodiscard]] HWND ControlHandle(Control control) const;

    // The caption as the window system keeps it: readable while the program is busy in its run.
    [[nodiscard]] std::wstring Caption(Control control) const;
    [[nodiscard]] bool IsEnabled(Control control) const;
    // Shown on the screen: the control and the main window are both visible.
    [[nodiscard]] bool IsVisible(Control control) const;
    // BM_GETCHECK of the check box; nullopt when the program does not answer.
    [[nodiscard]] std::optional<bool> IsChecked(Control control) const;
    // The control id DM_GETDEFID reports as the default button; nullopt when there is none.
    [[nodiscard]] std::optional<int> DefaultButtonId() const;
    [[nodiscard]] bool HasDefaultButtonStyle(Control control) const;
    // The control that has the keyboard focus in the window's thread, if it is one of its controls.
    [[nodiscard]] std::optional<Control> FocusedControl() const;
    // The outer rectangle of the main window, in screen pixels.
    [[nodiscard]] RECT Bounds() const;

    // Clicks the button or check box, without waiting for what the click starts.
    void Click(Control control);
    // What the close box of the title bar sends.
    void Close();
    // The Enter key, as the keyboard sends it to the control that has the focus.
    void PressEnter();

private:
    HWND m_window;
};

} // namespace hivedrive
