#include "app/Form1.h"

#include "app/Form1Text.h"
#include "files/BackupImport.h"
#include "files/ExportAndDeleteKey.h"

#include <string>

namespace hivetidy {

namespace {

// The keys a message box names at most, so that it fits the screen.
constexpr std::size_t kMostKeysInAMessage = 20;

} // namespace

void Form1::Command3_Click()
{
    Window& window = m_platform.window;
    window.SetEnabled(Control::Command1, false);
    window.SetEnabled(Control::Command2, false);
    window.SetEnabled(Control::Command3, false);
    window.SetCaption(Control::Label2, kUpdatingText);
    // From here the window handles no message until the program ends, so paint the text now.
    window.Repaint();

    const std::string backupPath = m_run.Files().BackupFilePath();
    // The editor in its ordinary mode: it asks before it imports and says itself that it did.
    const UndoResult result = ImportBackup(m_platform, m_run.Files().HeldBackupContents(), false);
    switch (result.ending) {
    case UndoResult::Ending::Refused:
        m_platform.dialogs.MessageBox(result.refusal + "\r\n" + backupPath, "Undo", kMbOk | kMbIconExclamation);
        window.SetEnabled(Control::Command2, true);
        m_finishedHint = kUndoRefusedHint;
        window.SetCaption(Control::Label2, m_finishedHint);
        return;
    case UndoResult::Ending::EditorNotStarted:
        // Nothing was imported: say where the backup is, so it can be imported by hand, and stay
        // in the finished state with Undo and Exit.
        m_platform.dialogs.MessageBox("Der Registrierungs-Editor konnte nicht gestartet werden.\r\n"
                                      "Die Sicherungskopie kann von Hand importiert werden:\r\n" +
                                          backupPath,
                                      "Undo", kMbOk | kMbIconExclamation);
        window.SetEnabled(Control::Command2, true);
        window.SetEnabled(Control::Command3, true);
        window.SetCaption(Control::Label2, m_finishedHint);
        return;
    case UndoResult::Ending::Imported:
        break;
    }
    // The editor does not say what it left out (answered No, or could not write a key): what is
    // not back is named before the program ends.
    if (!result.Complete()) {
        std::string text = "Nicht alles aus der Sicherungskopie ist wieder in der Registry:";
        for (const std::string& line : UndoShortfallLines(result, kMostKeysInAMessage)) {
            text += "\r\n" + line;
        }
        m_platform.dialogs.MessageBox(text + "\r\n" + backupPath, "Undo", kMbOk | kMbIconExclamation);
    }
    EndProgram(result.Complete() ? ExitCode::Done : ExitCode::Partial);
}

std::uint32_t Form1::WaitOnProgram(StartedProcess* process)
{
    return hivetidy::WaitOnProgram(process);
}

} // namespace hivetidy
