// Whole cleaning runs: what they remove from the registry, what they write, and the window after.

#include "ControllerInstallation.h"
#include "Files.h"
#include "HivetidyTest.h"
#include "Polling.h"
#include "Registry.h"
#include "RunFiles.h"
#include "Text.h"

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

TEST_F(CleaningRun, RemovesExactlyTheControllersRegistrationsAndSavesAndLogsEachOne)
{
    const ControllerInstallation installation = ControllerInstallation::Realistic();
    installation.Seed(m_seeds);
    const std::vector<std::wstring> removals = installation.ExpectedRemovals(true);
    // The fixture's own account: 6 classes, 5 of them with a ProgID key, 5 type libraries (3 of
    // classes, 2 on their own), 2 application paths and the maker's keys of the current user, the
    // machine and the default user. Wine shows each class key through HKEY_CLASSES_ROOT only once.
    ASSERT_EQ(CountBelow(removals, L"HKEY_CLASSES_ROOT\\CLSID\\"), 6u) << Listed(removals);
    ASSERT_EQ(CountBelow(removals, L"HKEY_CLASSES_ROOT\\TypeLib\\"), 5u) << Listed(removals);
    ASSERT_EQ(CountBelow(removals, L"HKEY_CLASSES_ROOT\\OMX."), 5u) << Listed(removals);
    ASSERT_EQ(CountBelow(removals, kAppPathsKey), 2u) << Listed(removals);
    ASSERT_EQ(removals.size(), 21u) << Listed(removals);
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();
    const std::string expectedBackup = ExpectedBackup(removals);

    Hivetidy program = Hivetidy::Start();
    TickMakerKeys(program);
    RunToTheEnd(program);

    const auto differences = before.Without(removals).DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << Listed(differences);
    EXPECT_EQ(ReadBytes(kRemovalLogPath), ExpectedRemovalLog(removals));
    EXPECT_EQ(ReadBytes(kBackupPath), expectedBackup);
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
    EXPECT_TRUE(KeyExists(kMakerKeyCurrentUser));
    EXPECT_TRUE(KeyExists(kMakerKeyMachine));
    EXPECT_TRUE(KeyExists(kMakerKeyDefaultUser));
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
