#include "app/Form1.h"

#include "files/UserHives.h"

#include "app/Form1Text.h"

#include <exception>
#include <memory>

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
    {
        // Loading the hives of the users who are not logged on, and unloading what a killed run
        // left loaded, are for one program at a time; while another run is going, its own hives
        // are below HKEY_USERS and the look takes them as they are. Where no hive waits, start-up
        // writes nothing, the working folder and the lock included.
        std::unique_ptr<RunLock> lock;
        if (UserHivesWaiting(m_platform.components, m_platform.hives)) {
            lock = m_platform.system.TakeRunLock();
        }
        if (lock) {
            Tell(LeftoverLines(UnloadLeftovers(m_platform.hives)));
        }
        m_makerKeyFound = m_run.FindMakerKeys(lock != nullptr);
    }

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

void Form1::Tell(const std::vector<std::string>& lines)
{
    if (lines.empty()) {
        return;
    }
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : "\n") + line;
    }
    m_platform.dialogs.MessageBox(text, "Hivetidy", kMbOk | kMbIconExclamation);
}

void Form1::EndProgram(ExitCode code)
{
    Tell(LeftLoadedLines(m_run.EndNow()));
    m_runLock.reset();
    m_platform.system.Terminate(ToInt(code));
    // Not reached; should a platform's Terminate ever return, no handler may go on all the same.
    std::terminate();
}

} // namespace hivetidy
