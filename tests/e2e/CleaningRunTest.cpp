// Whole cleaning runs: what they remove from the registry, what they write, and the window after.

#include "ControllerInstallation.h"
#include "Files.h"
#include "HivetidyTest.h"
#include "Polling.h"
#include "Registry.h"
#include "RunFiles.h"
#include "Text.h"
#include "Wow64.h"

namespace hivedrive {
namespace {

class CleaningRun : public HivetidyTest {};

// How many of the removed keys lie below each place.
std::size_t CountBelow(const std::vector<std::wstring>& keys, std::wstring_view prefix)
{
    return static_cast<std::size_t>(std::count_if(keys.begin(), keys.end(), [&](const std::wstring& key) {
        return StartsWithIgnoreCase(key, prefix);
    }));
}

// How many removed keys the realistic installation has below a place: on 32-bit Windows, and on
// 64-bit Windows as the 64-bit and as the 32-bit driver seed it (Wine 8 keeps a ProgID that a
// 32-bit program writes in the native HKEY_CLASSES_ROOT, where both views see it).
struct RemovalsBelow {
    std::wstring_view place;
    std::size_t on32BitWindows;
    std::size_t on64BitWindows;
    std::size_t on64BitWindowsBy32BitDriver;

    [[nodiscard]] std::size_t OnThisWindows() const
    {
        if (!IsWindows64()) {
            return on32BitWindows;
        }
#ifdef _WIN64
        return on64BitWindows;
#else
        return on64BitWindowsBy32BitDriver;
#endif
    }
};

TEST_F(CleaningRun, RemovesExactlyTheControllersRegistrationsAndSavesAndLogsEachOne)
{
    const ControllerInstallation installation = ControllerInstallation::Realistic();
    installation.Seed(m_seeds);
    const std::vector<std::wstring> removals = installation.ExpectedRemovals(true);
    // The fixture's own account: 6 controller classes, 5 of them with a ProgID key, 5 type
    // libraries (3 of classes, 2 on their own), 2 application paths and the maker's keys of the
    // current user, the machine and the default user. Wine shows each class key through
    // HKEY_CLASSES_ROOT only once. On 64-bit Windows the controller's classes and machine key are
    // the 32-bit view's own, below WOW6432Node, and so are its ProgIDs as the 64-bit driver writes
    // them; 2 more classes with their ProgIDs and the machine key of 64-bit parts are the native
    // view's (one class and its ProgID in both views). The type libraries and application paths
    // the 32-bit view shares with the native one keep their one plain name.
    const RemovalsBelow accounts[] = {
        {L"HKEY_CLASSES_ROOT\\CLSID\\", 6, 2, 2},
        {L"HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\", 0, 6, 6},
        {L"HKEY_CLASSES_ROOT\\TypeLib\\", 5, 5, 5},
        {L"HKEY_CLASSES_ROOT\\WOW6432Node\\TypeLib\\", 0, 0, 0},
        {L"HKEY_CLASSES_ROOT\\OMX.", 5, 2, 6},
        {L"HKEY_CLASSES_ROOT\\WOW6432Node\\OMX.", 0, 5, 0},
        {kAppPathsKey, 2, 2, 2},
        {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\", 0, 1, 1},
        {L"", 21, 26, 25}, // all of them
    };
    for (const RemovalsBelow& account : accounts) {
        ASSERT_EQ(CountBelow(removals, account.place), account.OnThisWindows())
            << ToUtf8(account.place) << Listed(removals);
    }
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();
    const std::string expectedBackup = ExpectedBackup(removals);

    Hivetidy program = Hivetidy::Start();
    TickMakerKeys(program);
    RunToTheEnd(program);

    const auto differences = before.Without(removals).DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << Listed(differences);
    EXPECT_EQ(ReadBytes(kRemovalLogPath), ExpectedRemovalLog(removals));
    EXPECT_EQ(ReadBytes(kBackupPath), expectedBackup) << "C:\\registry:" << ToUtf8(FolderListing(kWorkingFolder));
    EXPECT_FALSE(FileExists(kExportFilePath));

    program.Window().Click(Control::Command2);
    EXPECT_TRUE(program.WaitForEnd(kEndTimeout));
}

TEST_F(CleaningRun, LeavesTheMakersKeysWhenTheBoxIsNotTicked)
{
    const ControllerInstallation installation = ControllerInstallation::Realistic();
    installation.Seed(m_seeds);
    const std::vector<std::wstring> removals = installation.ExpectedRemovals(false);
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();

    Hivetidy program = Hivetidy::Start();
    ASSERT_TRUE(program.Window().IsVisible(Control::Check1));
    RunToTheEnd(program);

    const auto differences = before.Without(removals).DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << Listed(differences);
    for (const MakerKey& maker : installation.makerKeys) {
        EXPECT_TRUE(KeyExists(maker.fullName, maker.view)) << ToUtf8(maker.fullName);
    }
    EXPECT_EQ(ReadBytes(kRemovalLogPath), ExpectedRemovalLog(removals));
}

TEST_F(CleaningRun, OverAnOrdinaryRegistryRemovesNothingAndEndsWithExitAndUndo)
{
    ControllerInstallation::Ordinary().Seed(m_seeds);
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();

    Hivetidy program = Hivetidy::Start();
    RunToTheEnd(program);
    Form1Window& window = program.Window();

    EXPECT_FALSE(window.IsEnabled(Control::Command1));
    EXPECT_EQ(window.Caption(Control::Command2), L"E&xit");
    EXPECT_TRUE(window.IsEnabled(Control::Command2));
    EXPECT_TRUE(window.IsEnabled(Control::Command3));
    EXPECT_FALSE(window.IsEnabled(Control::Check1));
    EXPECT_FALSE(window.IsVisible(Control::Label1));
    EXPECT_TRUE(window.IsVisible(Control::Label2));
    EXPECT_EQ(window.Caption(Control::Label2),
              L"Durch Anklicken des Undo - Buttons kann der L\u00f6schvorgang wieder r\u00fcckg\u00e4ngig gemacht werden !");

    EXPECT_EQ(ReadBytes(kRemovalLogPath), ExpectedRemovalLog({}));
    EXPECT_EQ(ReadBytes(kBackupPath), ExportHeader());
    EXPECT_FALSE(FileExists(kExportFilePath));
    const auto differences = before.DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << Listed(differences);

    window.Click(Control::Command2);
    EXPECT_TRUE(program.WaitForEnd(kEndTimeout));
}

} // namespace
} // namespace hivedrive
