#include "app/Form1.h"

#include "app/Form1Text.h"
#include "shared/Failure.h"

#include <exception>
#include <vector>

namespace hivetidy {

namespace {

constexpr int kSecondsPerDay = 24 * 60 * 60;

} // namespace

Form1::Form1(Platform& platform)
    : m_platform(platform),
      m_fileNumbers(platform.files, platform.system),
      m_callbacks(m_state, platform.components, [this] { Yield(); })
{
    m_state.UserHiveNames.Reset();
    m_state.InvalidClasses.Reset();
    m_state.InvalidKeyNames.Reset();
}

Form1::~Form1() = default;

RegistryComponent& Form1::Registry()
{
    if (!m_registry) {
        m_registry = m_platform.components.Create();
    }
    return *m_registry;
}

void Form1::Yield()
{
    m_platform.window.ProcessWaitingMessages();
}

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
    m_makerKeyFound = false;

    // Skip mode to the end of start-up: each probe is judged by its own OpenKey alone, and no
    // failure of the registry keeps the window from being shown.
    if (SkipOnFailure([&] { Registry().OpenKey(kHkeyCurrentUser, TaggedValue::Text(kMakerKeyUser)); })) {
        m_makerKeyFound = true;
    }
    // The machine's key in each view: on 64-bit Windows the controller keeps it in the 32-bit one.
    std::vector<RegView> views{RegView::Native};
    SkipOnFailure([&] { views = m_platform.components.Views(); });
    for (const RegView view : views) {
        if (SkipOnFailure([&] { Registry().OpenKey(kHkeyLocalMachine, TaggedValue::Text(kMakerKeyMachine), view); })) {
            m_makerKeyFound = true;
        }
    }

    m_state.UserHiveNames.Reset();
    std::unique_ptr<RegistryComponent> users;
    const auto usersComponent = [&]() -> RegistryComponent& {
        if (!users) {
            throw Failure("no component for the user hives");
        }
        return *users;
    };
    SkipOnFailure([&] { users = m_platform.components.Create(); });
    SkipOnFailure([&] { usersComponent().OpenKey(kBindToHive, TaggedValue::Whole(static_cast<std::int32_t>(kHkeyUsers))); });
    SkipOnFailure([&] { usersComponent().WalkSubkeys(m_callbacks.TheForm6(), 0); });

    const int hiveCount = m_state.UserHiveNames.UpperBound();
    for (int i = 1; i <= hiveCount; ++i) {
        const std::string path = m_state.UserHiveNames[i] + "\\" + std::string(kMakerKeyUser);
        if (SkipOnFailure([&] { usersComponent().OpenKey(kHkeyUsers, TaggedValue::Text(path)); })) {
            m_makerKeyFound = true;
        }
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

void Form1::EndProgram()
{
    m_fileNumbers.CloseAll();
    m_backupHold.reset();
    m_platform.system.Terminate();
    // Not reached; should a platform's Terminate ever return, no handler may go on all the same.
    std::terminate();
}

bool Form1::UseItem(RegistryItem& /*item*/, std::int32_t /*iLevel*/)
{
    return false;
}

} // namespace hivetidy
