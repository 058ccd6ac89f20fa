#include "platform/sim/SimWindow.h"

#include "platform/Form1Layout.h"

#include <stdexcept>

namespace hivetidy::sim {

SimWindow::SimWindow()
{
    for (const ControlLayout& entry : kForm1Layout) {
        Mutable(entry.control).caption = std::string(entry.text);
    }
}

ControlState& SimWindow::Mutable(Control control)
{
    return m_controls.at(static_cast<std::size_t>(control));
}

const ControlState& SimWindow::State(Control control) const
{
    return m_controls.at(static_cast<std::size_t>(control));
}

void SimWindow::SetCaption(Control control, std::string_view caption)
{
    Mutable(control).caption = std::string(caption);
}

void SimWindow::SetEnabled(Control control, bool enabled)
{
    Mutable(control).enabled = enabled;
}

void SimWindow::SetVisible(Control control, bool visible)
{
    Mutable(control).visible = visible;
}

void SimWindow::SetDefault(Control control)
{
    // A dialog has one default button at a time.
    for (ControlState& state : m_controls) {
        state.isDefault = false;
    }
    Mutable(control).isDefault = true;
}

void SimWindow::SetFocus(Control control)
{
    m_focus = control;
}

int SimWindow::CheckValue(Control control)
{
    return State(control).checkValue;
}

void SimWindow::EnableTimer(bool enabled)
{
    m_timerEnabled = enabled;
}

void SimWindow::MoveTo(double leftTwips, double topTwips)
{
    m_movedTo = std::pair{leftTwips, topTwips};
}

void SimWindow::Repaint()
{
    ++m_repaints;
}

void SimWindow::ProcessWaitingMessages()
{
    ++m_yields;
    if (m_yieldHook) {
        m_yieldHook(m_yields);
    }
    // Only what waits now: messages that the handlers post meanwhile wait for the next call.
    for (std::size_t waiting = m_queue.size(); waiting > 0 && !m_queue.empty(); --waiting) {
        const Message message = m_queue.front();
        m_queue.pop_front();
        (void)Deliver(message);
    }
}

void SimWindow::PostClick(Control control)
{
    m_queue.push_back(Message{MessageKind::Click, control});
}

void SimWindow::PostTick()
{
    m_queue.push_back(Message{MessageKind::Tick, Control::Command1});
}

void SimWindow::PostClose()
{
    m_queue.push_back(Message{MessageKind::Close, Control::Command1});
}

bool SimWindow::Click(Control control)
{
    return Deliver(Message{MessageKind::Click, control});
}

bool SimWindow::Tick()
{
    return Deliver(Message{MessageKind::Tick, Control::Command1});
}

FormEvents& SimWindow::Events()
{
    if (!m_events) {
        throw std::logic_error("SimWindow: no handlers set (SetEvents)");
    }
    return *m_events;
}

bool SimWindow::Deliver(const Message& message)
{
    switch (message.kind) {
    case MessageKind::Tick:
        // A stopped timer sends no ticks, not even ones that were already waiting.
        if (!m_timerEnabled) {
            return false;
        }
        Events().Timer1_Timer();
        return true;
    case MessageKind::Close:
        Events().CloseBox();
        return true;
    case MessageKind::Click:
        break;
    }
    ControlState& state = Mutable(message.control);
    // Windows gives a disabled or hidden control no clicks.
    if (!state.enabled || !state.visible) {
        return false;
    }
    switch (message.control) {
    case Control::Command1:
        Events().Command1_Click();
        return true;
    case Control::Command2:
        Events().Command2_Click();
        return true;
    case Control::Command3:
        Events().Command3_Click();
        return true;
    case Control::Check1:
        // An automatic check box toggles itself before its handler hears of the click.
        state.checkValue = state.checkValue == 0 ? 1 : 0;
        Events().Check1_Click();
        return true;
    default:
        return false; // labels and pictures have no click handler
    }
}

} // namespace hivetidy::sim
