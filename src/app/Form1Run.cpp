#include "app/Form1.h"

#include "app/Form1Text.h"
#include "files/WorkingFiles.h"

#include <string>

namespace hivetidy {

void Form1::Command1_Click()
{
    // Before anything is touched: a second run would share the export file and the log.
    m_runLock = m_platform.system.TakeRunLock();
    if (!m_runLock) {
        m_platform.dialogs.MessageBox("Ein anderer Bereinigungslauf ist auf diesem Rechner im Gang. Bitte warten Sie, "
                                      "bis er beendet ist, und starten Sie das Programm dann erneut.",
                                      "Hivetidy", kMbOk | kMbIconExclamation);
        EndProgram(ExitCode::AnotherRunInProgress);
    }
    Window& window = m_platform.window;
    window.SetEnabled(Control::Command1, false);
    window.SetEnabled(Control::Command2, false);
    window.SetEnabled(Control::Check1, false);
    m_run.Start();
}

std::string Form1::ChooseBackupFile()
{
    return AskBackupFile();
}

void Form1::Yield()
{
    m_platform.window.ProcessWaitingMessages();
}

bool Form1::MakerKeysSelected()
{
    return m_platform.window.CheckValue(Control::Check1) == 1;
}

void Form1::RunStarted()
{
    Window& window = m_platform.window;
    window.EnableTimer(true);
    window.SetEnabled(Control::Command2, true);
    window.SetFocus(Control::Command2);
    window.SetVisible(Control::Label2, false);
    window.SetVisible(Control::Label1, true);
}

void Form1::ExportBegins()
{
    // The window repaints while the editor runs; with Cancel disabled no click can wait in the
    // queue to end the program between the export and the delete.
    m_platform.window.SetEnabled(Control::Command2, false);
}

void Form1::ExportEnds()
{
    Window& window = m_platform.window;
    window.SetEnabled(Control::Command2, true);
    window.SetFocus(Control::Command2);
}

void Form1::KeyDone(const KeyOutcome& /*key*/)
{
    // The window shows the run's time only; the log names every key.
}

void Form1::RunEnded(bool failed)
{
    const RunEnding ending = EndingOf(m_run, failed);
    EnterFinishedState(ending);
    if (failed) {
        ReportFailedRun();
        return;
    }
    if (!ending.complete || ending.undoLost) {
        ReportPartialRun(ending);
        return;
    }
    m_platform.system.Beep();
    m_platform.system.Beep();
}

void Form1::EnterFinishedState(const RunEnding& ending)
{
    Window& window = m_platform.window;
    window.EnableTimer(false);
    window.SetCaption(Control::Command2, kExitCaption);
    window.SetEnabled(Control::Command2, true);
    window.SetVisible(Control::Label1, false);
    window.SetVisible(Control::Label2, true);

    window.SetEnabled(Control::Command3, ending.undoOffered);
    switch (ending.hint) {
    case RunEnding::Hint::Undo:
        m_finishedHint = kUndoHint;
        break;
    case RunEnding::Hint::NoUndo:
        m_finishedHint = kNoUndoHint;
        break;
    case RunEnding::Hint::Failed:
        m_finishedHint = kFailedHint;
        break;
    case RunEnding::Hint::NothingDeleted:
        m_finishedHint = kNothingDeletedHint;
        break;
    case RunEnding::Hint::Partial:
        m_finishedHint = kPartialHint;
        break;
    case RunEnding::Hint::NothingRemoved:
        m_finishedHint = kNothingRemovedHint;
        break;
    }
    window.SetCaption(Control::Label2, m_finishedHint);
}

void Form1::ReportFailedRun()
{
    const RunOutcome& outcome = m_run.Outcome();
    std::string text = std::string(FailureText(m_run.Stage())) + "\r\n\r\nDer Bereinigungslauf wurde abgebrochen. ";
    if (outcome.Removed() == 0) {
        text += "Es wurde kein Schl\u00fcssel gel\u00f6scht.";
    } else {
        text += "Die bis dahin gel\u00f6schten Schl\u00fcssel sind in der Sicherungskopie " + m_run.Files().BackupFilePath() +
                " gesichert und im L\u00f6schprotokoll " + std::string(kRemovalLogPath) + " aufgef\u00fchrt.";
    }
    if (outcome.Stayed() > 0) {
        text += "\r\n\r\n" + CountOfKeys(outcome.Stayed()) +
                " nicht gel\u00f6scht; das L\u00f6schprotokoll nennt sie mit ihren Gr\u00fcnden.";
    }
    m_platform.dialogs.MessageBox(text, "Hivetidy", kMbOk | kMbIconExclamation);
}

void Form1::ReportPartialRun(const RunEnding& ending)
{
    std::string text = ending.complete ? "Der Bereinigungslauf ist gelungen.\r\n\r\n"
                                       : "Der Bereinigungslauf ist nur zum Teil gelungen.\r\n\r\n";
    for (const std::string& line : ending.countLines) {
        text += line + "\r\n";
    }
    if (ending.filesBroken) {
        text += "\r\n" + std::string(kFilesBrokenText) + "\r\n";
    }
    if (ending.undoLost) {
        text += "\r\nAls der Lauf die Sicherungskopie abschloss, hatte ein anderes Programm sie zum Schreiben "
                "ge\u00f6ffnet. Da sie ver\u00e4ndert sein kann, wird Undo nicht angeboten.\r\n";
    }
    if (ending.logNamesStays) {
        text += "\r\nDas L\u00f6schprotokoll nennt, was geblieben ist, mit den Gr\u00fcnden.\r\n";
    }
    text += "\r\nSicherungskopie: " + ending.backupPath + "\r\nL\u00f6schprotokoll: " + std::string(kRemovalLogPath);
    m_platform.dialogs.MessageBox(text, "Hivetidy", kMbOk | kMbIconExclamation);
}

} // namespace hivetidy
