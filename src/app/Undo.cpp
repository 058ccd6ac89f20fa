#include "app/Form1.h"

#include "app/Form1Text.h"

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

    const std::string backupPath = m_run.BackupFilePath();
    if (const auto refusal = m_run.BackupRefusal()) {
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
    (void)m_run.WaitOnProgram(editor.get());
    EndProgram();
}

std::uint32_t Form1::WaitOnProgram(StartedProcess* process)
{
    return m_run.WaitOnProgram(process);
}

} // namespace hivetidy
