#pragma once
// The real main window: the laid-out controls, the timer and the message loop. The window
// procedure only forwards to member handlers; no exception leaves it.

#include "platform/Form1Layout.h"
#include "platform/Window.h"
#include "platform/win32/UniqueResource.h"

#include <array>
#include <chrono>
#include <vector>

namespace hivetidy::win32 {

class Win32Window final : public Window {
public:
    Win32Window() = default;
    ~Win32Window() override = default;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    // Creates the window, hidden, with every control of the layout; false when it cannot.
    [[nodiscard]] bool Create(HINSTANCE instance);
    // Connects the core: clicks, ticks and the close box go to it from now on (null: to nobody).
    void SetEvents(FormEvents* events) noexcept { m_events = events; }
    // Shows the window and paints it.
    void Show(int showCommand);
    // Runs the message loop until WM_QUIT; its exit code.
    [[nodiscard]] int RunMessageLoop();

    [[nodiscard]] HWND Handle() const noexcept { return m_window.get(); }
    [[nodiscard]] HWND ControlHandle(Control control) const noexcept;
    [[nodiscard]] int Dpi() const noexcept { return m_dpi; }

    void SetCaption(Control control, std::string_view caption) override;
    void SetEnabled(Control control, bool enabled) override;
    void SetVisible(Control control, bool visible) override;
    void SetDefault(Control control) override;
    void SetFocus(Control control) override;
    [[nodiscard]] int CheckValue(Control control) override;
    void EnableTimer(bool enabled) override;
    [[nodiscard]] TwipsSize ScreenSize() override;
    [[nodiscard]] TwipsSize WindowSize() override;
    void MoveTo(double leftTwips, double topTwips) override;
    void Repaint() override;
    void ProcessWaitingMessages() override;

private:
    struct CreatedFont {
        FontSpec wanted;
        UniqueFont font;
    };

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void OnCommand(int id, int code) noexcept;
    void OnTimer(UINT_PTR timerId) noexcept;
    [[nodiscard]] LRESULT OnCtlColorStatic(HDC dc, HWND control) noexcept;
    [[nodiscard]] LRESULT OnGetDefId() noexcept;
    void OnSetDefId(int id) noexcept;
    void OnNextDlgCtl(WPARAM target, LPARAM isHandle) noexcept;
    [[nodiscard]] bool OnActivate(WPARAM state) noexcept;
    void OnNcDestroy(HWND window) noexcept;

    // Calls one handler of the core; an exception it throws is reported and goes no further.
    void Deliver(void (FormEvents::*handler)()) noexcept;
    void DispatchOne(MSG& message) noexcept;
    [[nodiscard]] bool CreateControls(HINSTANCE instance);
    [[nodiscard]] HFONT FontFor(const FontSpec& wanted);
    // Widens the control until its present caption shows whole, and the client area with it where needed.
    void FitToCaption(Control control);
    // Makes the client area that wide, the window's centre staying where it was.
    void GrowClientTo(int clientWidth);
    // The window's outer size for a client area of that size.
    [[nodiscard]] static SIZE OuterSizeOf(int clientWidth, int clientHeight) noexcept;
    void HandFocusOnFrom(HWND control) noexcept;
    void RestoreFocus() noexcept;
    [[nodiscard]] int ToPixels(double twips) const noexcept;
    [[nodiscard]] double ToTwips(int pixels) const noexcept;

    // Declared before the window, so that the controls are gone before their fonts.
    std::vector<CreatedFont> m_fonts;
    UniqueWindow m_window;
    std::array<HWND, kForm1Layout.size()> m_controls{};
    FormEvents* m_events = nullptr;
    int m_dpi = 96;
    int m_defaultId = 0;
    // When the queue was last looked into; the first call always looks.
    std::chrono::steady_clock::time_point m_lastLook{};
    HWND m_lastFocus = nullptr;
};

} // namespace hivetidy::win32
