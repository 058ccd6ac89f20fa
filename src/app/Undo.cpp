#include "app/Form1.h"

#include "app/Form1Text.h"
#include "shared/Sha256.h"

#include <string>

namespace hivetidy {

void Form1::Command3_Click()
{
    Window& window = m_platform.window;
    window.SetEnabled(Control::Command1, false);
    window.SetEnabled(Control::Command2, false);
    window.SetEnabled(Control::Command3, false);
    window.SetCaption(Control::Label2, kUpdatingText);
    // From here the window handles no message until the program ends, so paint the text now.
    window.Repaint();

    const std::string backupPath = BackupFilePath();
    if (const auto refusal = BackupRefusal()) {
        // Imported as administrator, a file someone else wrote would change the machine at will.
        m_platform.dialogs.MessageBox(*refusal + "\r\n" + backupPath, "Undo", kMbOk | kMbIconExclamation);
        window.SetEnabled(Control::Command2, true);
        m_finishedHint = kUndoRefusedHint;
        window.SetCaption(Control::Label2, m_finishedHint);
        return;
    }
    // No switch: the editor imports in its ordinary mode and says itself what it did.
    auto editor = m_platform.processes.StartRegistryEditor("regedit.exe \"" + backupPath + "\"");
    if (!editor) {
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
    }
    (void)WaitOnProgram(editor.get());
    EndProgram();
}

std::optional<std::string> Form1::BackupRefusal()
{
    // The backup has been held since its writing ended, and nobody can change it while it is; what
    // is read here through that hold is what the editor will read.
    const auto contents = m_backupHold ? m_backupHold->Contents() : std::nullopt;
    if (!contents) {
        return "Die Sicherungskopie kann nicht gelesen werden und wird nicht importiert:";
    }
    if (Sha256Of(*contents) != m_backupDigest) {
        return "Die Sicherungskopie ist nicht mehr die des Bereinigungslaufs und wird nicht importiert:";
    }
    return std::nullopt;
}

std::string Form1::BackupFilePath()
{
    // The folder the user chose the file in is the current directory; at a drive root the
    // backslash is added all the same, and Windows takes the doubled one.
    return m_platform.files.CurrentDirectory() + "\\" + m_backupFileName;
}

std::uint32_t Form1::WaitOnProgram(StartedProcess* process)
{
    // The process is held by its handle from its start, so it is never confused with another one
    // that was given the same id after it ended.
    return process ? process->Wait() : 0;
}

} // namespace hivetidy
