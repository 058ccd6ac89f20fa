// Start and the choice of the backup file: the save dialog, its cancel question, and the keyboard
// way to the same place.

#include "ControllerInstallation.h"
#include "Files.h"
#include "HivetidyTest.h"
#include "Polling.h"
#include "Registry.h"

namespace hivedrive {
namespace {

class BackupFileChoice : public HivetidyTest {};

constexpr wchar_t kDialogTitle[] = L"Pfad und Dateiname der Registry - Sicherungskopie :";
constexpr wchar_t kOfferedName[] = L"sicherungskopie.reg";

TEST_F(BackupFileChoice, StartLocksTheWindowAndAsksForTheBackupFileInTheWorkingFolder)
{
    Hivetidy program = Hivetidy::Start();
    SaveDialog dialog = PressStart(program);
    Form1Window& window = program.Window();

    EXPECT_EQ(dialog.Title(), kDialogTitle);
    EXPECT_EQ(dialog.FileName(), kOfferedName);
    EXPECT_FALSE(window.IsEnabled(Control::Command1));
    EXPECT_FALSE(window.IsEnabled(Control::Command2));
    EXPECT_FALSE(window.IsEnabled(Control::Command3));
    EXPECT_FALSE(window.IsEnabled(Control::Check1));
    // The working folder is made before the dialog opens in it.
    EXPECT_NE(::GetFileAttributesW(std::wstring(kWorkingFolder).c_str()), INVALID_FILE_ATTRIBUTES);

    CancelDialogAndAnswer(program, dialog, IDYES);
    EXPECT_TRUE(program.WaitForEnd(kEndTimeout));
}

TEST_F(BackupFileChoice, CancelThenNoShowsTheDialogAgainAsItWasAtFirst)
{
    Hivetidy program = Hivetidy::Start();
    SaveDialog first = PressStart(program);
    first.EnterFileName(L"anders.reg");
    first.PressCancel();

    auto question = program.WaitForMessageBox(L"Wollen Sie das Programm beenden?", kWindowTimeout);
    ASSERT_TRUE(question);
    EXPECT_EQ(question->Title(), L"Programmabbruch?");
    EXPECT_TRUE(question->HasButton(IDYES));
    EXPECT_TRUE(question->HasButton(IDNO));
    question->Press(IDNO);

    auto again = program.WaitForSaveDialog(kWindowTimeout);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Title(), kDialogTitle);
    EXPECT_EQ(again->FileName(), kOfferedName);
    EXPECT_TRUE(program.IsRunning());

    CancelDialogAndAnswer(program, *again, IDYES);
    EXPECT_TRUE(program.WaitForEnd(kEndTimeout));
}

TEST_F(BackupFileChoice, CancelThenYesEndsTheProgramBeforeAnyFileOrKeyIsTouched)
{
    ControllerInstallation::Realistic().Seed(m_seeds);
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();

    Hivetidy program = Hivetidy::Start();
    TickMakerKeys(program);
    SaveDialog dialog = PressStart(program);
    CancelDialogAndAnswer(program, dialog, IDYES);

    ASSERT_TRUE(program.WaitForEnd(kEndTimeout));
    EXPECT_FALSE(FileExists(kRemovalLogPath));
    EXPECT_FALSE(FileExists(std::wstring(kWorkingFolder) + L"\\" + kOfferedName));
    EXPECT_FALSE(FileExists(kExportFilePath));
    const auto differences = before.DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << Listed(differences);
}

TEST_F(BackupFileChoice, EnterAfterTickingTheBoxStartsTheRun)
{
    m_seeds.OwnKey(kMakerKeyCurrentUser);
    CreateKey(kMakerKeyCurrentUser);

    Hivetidy program = Hivetidy::Start();
    TickMakerKeys(program);
    // Ticking hands the focus back to Start, the default button, so Enter presses it.
    EXPECT_TRUE(PollFor([&] { return program.Window().FocusedControl() == Control::Command1; }, kEndTimeout));
    program.Window().PressEnter();

    auto dialog = program.WaitForSaveDialog(kWindowTimeout);
    ASSERT_TRUE(dialog);
    CancelDialogAndAnswer(program, *dialog, IDYES);
    EXPECT_TRUE(program.WaitForEnd(kEndTimeout));
}

} // namespace
} // namespace hivedrive
