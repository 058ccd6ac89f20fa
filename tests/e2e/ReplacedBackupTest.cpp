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

// Catches a backup let go and looked up by its name again between its writing and its hold, with
// Undo then handing the editor whatever file has the name; an Undo that imports without comparing
// the file with the bytes the run wrote; and a run that lost its hold and says nothing of it.
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
    // A run that could not hold its backup (the replacer had it open for writing as the run closed
    // it) says so at its end and offers no Undo; otherwise it ends with no message at all.
    const std::optional<std::wstring> lostHold = RunToTheEndWithMessage(program);
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
    std::cout << "[ replacer ] " << (!undoOffered ? "backup not held, no Undo; " : refusal ? "Undo refused; " : "Undo imported; ")
              << "delete " << report.Count("delete") << ", move " << report.Count("move") << ", write "
              << report.Count("write") << " of " << report.Count("present") << " rounds with the backup there\n";
    EXPECT_GT(report.Count("present"), 0u) << "never saw the backup" << tried;
    EXPECT_FALSE(KeyExists(kMarkerKey)) << "Undo imported the replacement" << tried;
    if (!undoOffered) {
        // Without its hold the run must say why there is no Undo: a button left disabled says nothing.
        ASSERT_TRUE(lostHold.has_value()) << "no Undo and no word why, the window saying:\n"
                                          << ToUtf8(window.Caption(Control::Label2)) << tried;
        EXPECT_NE(lostHold->find(L"wird Undo nicht angeboten"), std::wstring::npos) << ToUtf8(*lostHold);
        EXPECT_EQ(window.Caption(Control::Label2),
                  L"Ein anderes Programm hat die Sicherungskopie ge\u00f6ffnet. Undo ist nicht m\u00f6glich !");
        window.Click(Control::Command2);
        EXPECT_TRUE(program.WaitForEnd(kEndTimeout));
        return;
    }
    EXPECT_FALSE(lostHold.has_value()) << "a message where the run went as it should: " << ToUtf8(*lostHold);
    EXPECT_EQ(report.endedBy, "event") << "stopped before Undo had ended" << tried;
    if (refusal) {
        EXPECT_TRUE(refusalText->starts_with(L"Die Sicherungskopie")) << ToUtf8(*refusalText);
        EXPECT_NE(refusalText->find(L"wird nicht importiert"), std::wstring::npos) << ToUtf8(*refusalText);
        refusal->Press(IDOK);
        // Exit comes back only after the box has gone, as the handler's last step.
        EXPECT_TRUE(PollFor([&] { return window.IsEnabled(Control::Command2); }, kEndTimeout));
        EXPECT_EQ(window.Caption(Control::Command2), L"E&xit");
        EXPECT_FALSE(window.IsEnabled(Control::Command3)) << "Undo offered again after it refused";
        EXPECT_EQ(window.Caption(Control::Label2), L"Die Sicherungskopie wurde ver\u00e4ndert. Undo ist nicht m\u00f6glich !");
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
