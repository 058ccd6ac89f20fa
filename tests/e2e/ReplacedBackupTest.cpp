// Undo imports the file the run wrote and no other: a second process that keeps trying to put a
// file of its own in the backup's place, from before Start until Undo has ended, never gets it
// imported. Undo either imports the run's own backup or refuses and says so.

#include "BackupReplacer.h"
#include "ControllerInstallation.h"
#include "Files.h"
#include "HivetidyTest.h"
#include "Polling.h"
#include "Processes.h"
#include "Registry.h"
#include "RunFiles.h"
#include "Text.h"

#include <iostream>

namespace hivedrive {
namespace {

// The sign that a replacement was imported: a key that nothing but the replacement holds.
constexpr wchar_t kMarkerKey[] = L"HKEY_CURRENT_USER\\Software\\HivetidyReplaced";

// The file the second process puts in the backup's place, in the editor's own format.
std::string Replacement()
{
    return ExportHeader() + ToUtf16LeBytes(L"\r\n[" + std::wstring(kMarkerKey) + L"]\r\n\"Ersetzt\"=\"ja\"\r\n\r\n");
}

class ReplacedBackup : public HivetidyTest {};

// Catches a backup left unheld at any moment from its creation to the end of Undo, e.g. the
// moment between `m_fileNumbers.Close(m_backupFileNo)` and `HoldForReading(BackupFilePath())` in
// CloseRunFiles, with Undo then handing the editor whatever file has the name; and an Undo that
// imports without comparing the file with the bytes the run wrote.
TEST_F(ReplacedBackup, UndoNeverImportsAFileSomeoneElsePutInItsPlace)
{
    const ControllerInstallation installation = ControllerInstallation::OneOfEachKind();
    installation.Seed(m_seeds);
    const std::vector<std::wstring> removals = installation.ExpectedRemovals(false);
    m_seeds.OwnKey(kMarkerKey);
    // Imported, the replacement leaves its marker: so no marker after Undo means it was not.
    const std::wstring probe = ScratchFolder(L"replacement") + L"\\replacement.reg";
    WriteBytes(probe, Replacement());
    RunRegistryEditor(L"/s \"" + probe + L"\"", kWindowTimeout);
    ASSERT_TRUE(KeyExists(kMarkerKey)) << "the registry editor imports no marker from the replacement";
    DeleteTree(kMarkerKey);
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();

    BackupReplacer replacer(kBackupPath, Replacement());
    Hivetidy program = Hivetidy::Start();
    RunToTheEnd(program);
    Form1Window& window = program.Window();
    const bool undoOffered = window.IsEnabled(Control::Command3);
    std::optional<MessageBoxWindow> refusal;
    if (undoOffered) {
        window.Click(Control::Command3);
        refusal = program.WaitForEndOrMessageBoxConfirmingEditor(L"Undo", kRunTimeout);
    }
    const std::optional<std::wstring> refusalText = refusal ? std::optional(refusal->Text()) : std::nullopt;
    const ReplacerReport report = replacer.Stop();
    const std::string tried = "\nthe replacer's report:\n" + report.text;
    // Whatever it managed, for the record of the run: which of its ways ever got through.
    std::cout << "[ replacer ] " << (!undoOffered ? "no Undo; " : refusal ? "Undo refused; " : "Undo imported; ")
              << "delete " << report.Count("delete") << ", move " << report.Count("move") << ", write "
              << report.Count("write") << " of " << report.Count("present") << " rounds with the backup there\n";
    // Undo's own refusal says why it imports nothing; a button left disabled says nothing.
    ASSERT_TRUE(undoOffered) << "no Undo after a run that removed keys (the backup not held?), the window saying:\n"
                             << ToUtf8(window.Caption(Control::Label2)) << tried;
    EXPECT_GT(report.Count("present"), 0u) << "never saw the backup" << tried;
    EXPECT_EQ(report.endedBy, "event") << "stopped before Undo had ended" << tried;

    EXPECT_FALSE(KeyExists(kMarkerKey)) << "Undo imported the replacement" << tried;
    if (refusal) {
        EXPECT_TRUE(refusalText->starts_with(L"Die Sicherungskopie")) << ToUtf8(*refusalText);
        EXPECT_NE(refusalText->find(L"wird nicht importiert"), std::wstring::npos) << ToUtf8(*refusalText);
        refusal->Press(IDOK);
        // Exit comes back only after the box has gone, as the handler's last step.
        EXPECT_TRUE(PollFor([&] { return window.IsEnabled(Control::Command2); }, kEndTimeout));
        EXPECT_EQ(window.Caption(Control::Command2), L"E&xit");
        EXPECT_FALSE(window.IsEnabled(Control::Command3)) << "Undo offered again after it refused";
        const auto differences = before.Without(removals).DifferencesTo(RegistrySnapshot::OfSoftware());
        EXPECT_TRUE(differences.empty()) << "changed by a refused Undo:" << Listed(differences);
        window.Click(Control::Command2);
        EXPECT_TRUE(program.WaitForEnd(kEndTimeout));
    } else {
        ASSERT_FALSE(program.IsRunning()) << "Undo neither ended the program nor said why it did not import";
        const auto differences = before.DifferencesTo(RegistrySnapshot::OfSoftware());
        EXPECT_TRUE(differences.empty()) << "not as before the run after Undo:" << Listed(differences) << tried;
    }
}

} // namespace
} // namespace hivedrive
