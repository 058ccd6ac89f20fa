#pragma once
// The main window's controls and its message loop, as the core drives them.

#include <string_view>

namespace hivetidy {

enum class Control { Command1, Command2, Command3, Check1, Label1, Label2, Picture1, Picture2 };

struct TwipsSize {
    double width = 0;
    double height = 0;
};

// What the user does to the window; the platform delivers each to the core's handlers.
class FormEvents {
public:
    virtual ~FormEvents() = default;

    virtual void Command1_Click() = 0;
    virtual void Command2_Click() = 0;
    virtual void Command3_Click() = 0;
    virtual void Check1_Click() = 0;
    virtual void Timer1_Timer() = 0;
    // The close box of the title bar (or Alt+F4).
    virtual void CloseBox() = 0;
};

class Window {
public:
    virtual ~Window() = default;

    virtual void SetCaption(Control control, std::string_view caption) = 0;
    virtual void SetEnabled(Control control, bool enabled) = 0;
    virtual void SetVisible(Control control, bool visible) = 0;
    // Makes a push button the default button (Enter presses it).
    virtual void SetDefault(Control control) = 0;
    virtual void SetFocus(Control control) = 0;
    // The check box's value: 0 unchecked, 1 checked.
    [[nodiscard]] virtual int CheckValue(Control control) = 0;
    virtual void EnableTimer(bool enabled) = 0;

    [[nodiscard]] virtual TwipsSize ScreenSize() = 0;
    // The outer size of the window, frame included.
    [[nodiscard]] virtual TwipsSize WindowSize() = 0;
    virtual void MoveTo(double leftTwips, double topTwips) = 0;

    // Paints the window now, outside the message loop.
    virtual void Repaint() = 0;
    // Lets the window messages that are waiting be processed, once (clicks, ticks, close).
    virtual void ProcessWaitingMessages() = 0;
};

} // namespace hivetidy
