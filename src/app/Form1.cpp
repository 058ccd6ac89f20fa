#include "app/Form1.h"

#include "app/Form1Text.h"

#include <exception>

namespace hivetidy {

namespace {

constexpr int kSecondsPerDay = 24 * 60 * 60;

} // namespace

Form1::Form1(Platform& platform) : m_platform(platform), m_run(platform, *this) {}

Form1::~Form1() = default;

void Form1::Form_Load()
{
    Window& window = m_platform.window;

    const TwipsSize screen = window.ScreenSize();
    const TwipsSize own = window.WindowSize();
    window.MoveTo((screen.width - own.width) / 2, (screen.height - own.height) / 2);

    window.SetEnabled(Control::Check1, true);
    window.SetDefault(Control::Command1);
    window.SetEnabled(Control::Command1, true);
    window.SetEnabled(Control::Command2, true);
    window.SetEnabled(Control::Command3, false);
    window.SetCaption(Control::Command2, kCancelCaption);
    window.SetVisible(Control::Label1, false);
    window.SetVisible(Control::Label2, true);
    window.SetCaption(Control::Label2, kPurposeText);
    window.EnableTimer(false);

    m_elapsedTicks = 0;
    m_makerKeyFound = m_run.FindMakerKeys();

    window.SetVisible(Control::Check1, m_makerKeyFound);
}

void Form1::Check1_Click()
{
    m_platform.window.SetFocus(Control::Command1);
}

void Form1::Command2_Click()
{
    EndProgram();
}

void Form1::CloseBox()
{
    EndProgram();
}

void Form1::Timer1_Timer()
{
    ++m_elapsedTicks;
    // Each tick counts as one second. Taken modulo a day, the time of day stays right for any run
    // length instead of overflowing a 16-bit seconds count after nine hours.
    const int seconds = static_cast<int>(m_elapsedTicks % kSecondsPerDay);
    m_platform.window.SetCaption(
        Control::Label1, m_platform.system.FormatTimeOfDay(seconds / 3600, (seconds / 60) % 60, seconds % 60));
}

void Form1::EndProgram(ExitCode code)
{
    m_run.Files().CloseAll();
    m_runLock.reset();
    m_platform.system.Terminate(ToInt(code));
    // Not reached; should a platform's Terminate ever return, no handler may go on all the same.
    std::terminate();
}

} // namespace hivetidy
