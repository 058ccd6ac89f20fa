#pragma once
// The main window as plain state per control, and a message queue delivered only when the program
// lets waiting messages be processed, as a Windows message loop does.

#include "platform/Window.h"

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace hivetidy::sim {

// What the user would see of one control.
struct ControlState {
    std::string caption;
    bool enabled = true;
    bool visible = true;
    bool isDefault = false;
    int checkValue = 0;
};

class SimWindow final : public Window {
public:
    // Runs at the start of each ProcessWaitingMessages with its number (1 for the first).
    using YieldHook = std::function<void(int yieldNumber)>;

    // Captions as laid out, every control enabled and visible, the screen 1024 x 768 at 96 DPI.
    SimWindow();

    // Window: each call changes the plain state that State() shows.
    void SetCaption(Control control, std::string_view caption) override;
    void SetEnabled(Control control, bool enabled) override;
    void SetVisible(Control control, bool visible) override;
    // One default button at a time: the last one made so.
    void SetDefault(Control control) override;
    void SetFocus(Control control) override;
    [[nodiscard]] int CheckValue(Control control) override;
    void EnableTimer(bool enabled) override;
    [[nodiscard]] TwipsSize ScreenSize() override { return m_screen; }
    [[nodiscard]] TwipsSize WindowSize() override { return m_window; }
    void MoveTo(double leftTwips, double topTwips) override;
    void Repaint() override;
    // Runs the yield hook, then delivers the messages waiting at that moment; counts the calls.
    void ProcessWaitingMessages() override;

    // The handlers that messages are delivered to.
    void SetEvents(FormEvents* events) { m_events = events; }
    // What ScreenSize and WindowSize report from now on.
    void SetScreenSize(TwipsSize size) { m_screen = size; }
    void SetWindowSize(TwipsSize size) { m_window = size; }
    // Runs at the start of each ProcessWaitingMessages; nullptr for none.
    void SetYieldHook(YieldHook hook) { m_yieldHook = std::move(hook); }
    // Ticks or clears the check box as it stands, without a click and so without its handler.
    void SetCheckValue(Control control, int value) { Mutable(control).checkValue = value; }

    // Queue what the user does; it reaches the handlers at the next ProcessWaitingMessages.
    void PostClick(Control control);
    void PostTick();
    void PostClose();
    // Press a control now, outside the message loop; false when the click was dropped.
    bool Click(Control control);
    // A timer tick now; false when the timer is off.
    bool Tick();

    // What the user would see of the control now.
    [[nodiscard]] const ControlState& State(Control control) const;
    // The control with the keyboard focus; nullopt until one is given it.
    [[nodiscard]] std::optional<Control> Focused() const { return m_focus; }
    [[nodiscard]] bool TimerEnabled() const { return m_timerEnabled; }
    // How often Repaint and ProcessWaitingMessages were called.
    [[nodiscard]] int RepaintCount() const { return m_repaints; }
    [[nodiscard]] int YieldCount() const { return m_yields; }
    // Where the last MoveTo put the window's top left corner, in twips.
    [[nodiscard]] std::optional<std::pair<double, double>> MovedTo() const { return m_movedTo; }

private:
    enum class MessageKind { Click, Tick, Close };
    struct Message {
        MessageKind kind;
        Control control;
    };

    ControlState& Mutable(Control control);
    // The handlers; throws std::logic_error when none were set.
    FormEvents& Events();
    // Hands one message to its handler as Windows would; false when it was dropped.
    bool Deliver(const Message& message);

    std::array<ControlState, 8> m_controls;
    std::optional<Control> m_focus;
    bool m_timerEnabled = false;
    TwipsSize m_screen{15360, 11520};
    TwipsSize m_window{4710, 3915};
    std::optional<std::pair<double, double>> m_movedTo;
    int m_repaints = 0;
    int m_yields = 0;
    FormEvents* m_events = nullptr;
    YieldHook m_yieldHook;
    std::deque<Message> m_queue;
};

} // namespace hivetidy::sim
