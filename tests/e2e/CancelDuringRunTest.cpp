// Cancel in the middle of a long run: the program ends at the run's next yield, and every key
// removed until then is in the backup and in the removal log.

#include "ControllerInstallation.h"
#include "Files.h"
#include "HivetidyTest.h"
#include "Polling.h"
#include "Registry.h"
#include "RunFiles.h"
#include "Text.h"

#include <set>

namespace hivedrive {
namespace {

class CancelDuringRun : public HivetidyTest {};

// Enough classes that the run, one registry editor per class, is still busy when Cancel comes.
constexpr int kClassCount = 3000;
constexpr std::size_t kRemovalsBeforeCancel = 3;

std::set<std::wstring> UpperCased(const std::vector<std::wstring>& names)
{
    std::set<std::wstring> result;
    for (std::wstring name : names) {
        ::CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
        result.insert(std::move(name));
    }
    return result;
}

// How many keys of the list are gone, counted from its start: the run removes them in this order.
std::size_t RemovedSoFar(const std::vector<std::wstring>& removals)
{
    std::size_t gone = 0;
    while (gone < removals.size() && !KeyExists(removals[gone])) {
        ++gone;
    }
    return gone;
}

// The texts the elapsed-time display may show during the first minutes: the time of day that
// many seconds after midnight, in the user's time format.
std::set<std::wstring> ElapsedTimeTexts(int seconds)
{
    std::set<std::wstring> texts;
    for (int second = 1; second <= seconds; ++second) {
        SYSTEMTIME time{};
        time.wHour = static_cast<WORD>(second / 3600);
        time.wMinute = static_cast<WORD>(second / 60 % 60);
        time.wSecond = static_cast<WORD>(second % 60);
        wchar_t text[64];
        const int length = ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, text, 64);
        texts.emplace(text, length > 0 ? static_cast<std::size_t>(length - 1) : 0);
    }
    return texts;
}

TEST_F(CancelDuringRun, TheRunningWindowShowsTheElapsedTimeAndOffersOnlyCancel)
{
    const ControllerInstallation installation = ControllerInstallation::ManyClasses(kClassCount);
    installation.Seed(m_seeds);
    const std::vector<std::wstring> removals = installation.ExpectedRemovals(false);

    Hivetidy program = Hivetidy::Start();
    SaveDialog dialog = PressStart(program);
    ChooseBackupFile(dialog, kBackupPath);
    ASSERT_TRUE(PollFor([&] { return RemovedSoFar(removals) >= 1; }, kRunTimeout));
    Form1Window& window = program.Window();

    EXPECT_FALSE(window.IsEnabled(Control::Command1));
    // Cancel is taken away while each key's registry editor runs and offered again, with the
    // focus, between one key and the next.
    const auto offersCancel = [&] {
        return window.IsEnabled(Control::Command2) && window.FocusedControl() == Control::Command2;
    };
    const bool cancelOffered = PollFor(offersCancel, kEndTimeout, 5ms);
    EXPECT_TRUE(cancelOffered);
    EXPECT_EQ(window.Caption(Control::Command2), L"&Cancel");
    EXPECT_FALSE(window.IsEnabled(Control::Command3));
    EXPECT_FALSE(window.IsEnabled(Control::Check1));
    EXPECT_FALSE(window.IsVisible(Control::Label2));
    EXPECT_TRUE(window.IsVisible(Control::Label1));
    // The timer ticks every 960 ms and counts each tick as a second.
    const std::set<std::wstring> texts = ElapsedTimeTexts(120);
    const bool ticked = PollFor([&] { return !window.Caption(Control::Label1).empty(); }, kEndTimeout);
    EXPECT_TRUE(ticked);
    EXPECT_TRUE(texts.contains(window.Caption(Control::Label1))) << ToUtf8(window.Caption(Control::Label1));

    window.Click(Control::Command2);
    EXPECT_TRUE(program.WaitForEnd(kEndTimeout));
}

TEST_F(CancelDuringRun, EndsTheProgramWithEveryRemovedKeySavedAndLogged)
{
    const ControllerInstallation installation = ControllerInstallation::ManyClasses(kClassCount);
    installation.Seed(m_seeds);
    const std::vector<std::wstring> removals = installation.ExpectedRemovals(false);
    ASSERT_EQ(removals.size(), static_cast<std::size_t>(kClassCount));

    Hivetidy program = Hivetidy::Start();
    SaveDialog dialog = PressStart(program);
    ChooseBackupFile(dialog, kBackupPath);
    // The first few being gone means the run is in the middle of its removals.
    ASSERT_TRUE(PollFor([&] { return RemovedSoFar(removals) >= kRemovalsBeforeCancel; }, kRunTimeout));
    program.Window().Click(Control::Command2);
    ASSERT_TRUE(program.WaitForEnd(kEndTimeout));

    const std::string log = ReadBytes(kRemovalLogPath).value_or("");
    EXPECT_TRUE(log.starts_with(ExpectedRemovalLog({})));
    EXPECT_TRUE(log.ends_with("\r\n"));
    const std::vector<std::wstring> logged = KeysNamedIn(log);
    // The log names exactly the keys that are gone, in the run's order, and the run stopped early.
    const std::size_t gone = RemovedSoFar(removals);
    EXPECT_GE(gone, kRemovalsBeforeCancel);
    EXPECT_LT(gone, removals.size() / 2);
    EXPECT_EQ(logged, std::vector<std::wstring>(removals.begin(), removals.begin() + static_cast<std::ptrdiff_t>(gone)));
    for (std::size_t i = gone; i < removals.size(); ++i) {
        ASSERT_TRUE(KeyExists(removals[i])) << ToUtf8(removals[i]) << " is gone but not logged";
    }

    const std::string backup = ReadBytes(kBackupPath).value_or("");
    EXPECT_TRUE(backup.starts_with(ExportHeader()));
    const std::set<std::wstring> sections = UpperCased(SectionsOf(backup));
    for (const std::wstring& key : UpperCased(logged)) {
        EXPECT_TRUE(sections.contains(key)) << ToUtf8(key) << " was removed but is not in the backup";
    }
}

} // namespace
} // namespace hivedrive
