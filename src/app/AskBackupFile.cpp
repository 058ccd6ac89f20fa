#include "app/Form1.h"

#include "files/WorkingFiles.h"
#include "passes/CleaningRun.h"
#include "shared/Failure.h"

#include <string>

namespace hivetidy {

namespace {

constexpr std::uint32_t kOfnOverwritePrompt = 0x2;
constexpr std::uint32_t kOfnHideReadOnly = 0x4;
constexpr std::uint32_t kOfnExtensionDifferent = 0x400;

constexpr std::string_view kQuestionText = "Wollen Sie das Programm beenden?";
constexpr std::string_view kQuestionTitle = "Programmabbruch?";

// The dialog as it is shown every time: all settings anew, whatever the user did before.
SaveDialogSettings BackupDialogSettings()
{
    SaveDialogSettings settings;
    settings.cancelError = true;
    settings.dialogTitle = std::string("Pfad und Dateiname der ") + "Registry - Sicherungskopie :";
    settings.fileName = "sicherungskopie.reg";
    settings.initDir = "c:\\registry";
    settings.filter = std::string("Reg-Dateien (*.reg)|*.reg|") + "Alle Dateien (*.*)|*.*";
    settings.filterIndex = 1;
    settings.flags = kOfnOverwritePrompt | kOfnHideReadOnly | kOfnExtensionDifferent;
    return settings;
}

} // namespace

std::string Form1::AskBackupFile()
{
    for (;;) {
        const SaveDialogSettings settings = BackupDialogSettings();
        (void)m_platform.files.SetCurrentDirectory("c:\\registry");
        const auto chosen = m_platform.dialogs.ShowSave(settings);
        if (chosen) {
            const auto slash = chosen->rfind('\\');
            const std::string name = slash == std::string::npos ? *chosen : chosen->substr(slash + 1);
            // The system's dialog may leave the current directory where it likes (Wine leaves it
            // at the folder it showed first), so the chosen folder is made current here.
            if (slash != std::string::npos) {
                std::string folder = chosen->substr(0, slash);
                if (folder.size() == 2 && folder[1] == ':') {
                    folder += '\\';
                }
                if (!m_platform.files.SetCurrentDirectory(folder)) {
                    throw Failure("Der Ordner " + folder + " kann nicht ge\u00f6ffnet werden.");
                }
            }
            // The run's own files cannot hold the backup too: under the export file's name every
            // key would stay, under the log's the run could not begin.
            const std::string path = m_platform.files.CurrentDirectory() + "\\" + name;
            if (!IsRunFile(m_platform.files, path)) {
                return name;
            }
            m_platform.dialogs.MessageBox("Die Datei " + path +
                                              " braucht das Programm selbst. Bitte w\u00e4hlen Sie f\u00fcr die "
                                              "Sicherungskopie einen anderen Namen.",
                                          settings.dialogTitle, kMbOk | kMbIconExclamation);
            continue;
        }
        if (m_platform.dialogs.MessageBox(kQuestionText, kQuestionTitle, kMbYesNo | kMbIconQuestion) == kIdYes) {
            EndProgram();
        }
    }
}

} // namespace hivetidy
