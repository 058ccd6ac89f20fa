#include "passes/CleaningRun.h"

#include "files/WorkingFiles.h"
#include "shared/Failure.h"
#include "shared/Sha256.h"
#include "shared/Text.h"

namespace hivetidy {

void CleaningRun::OpenRunFiles()
{
    m_stage = RunStage::CreatingBackup;
    CreateBackupFile();
    m_exportFilePath = kExportFilePath;
    m_stage = RunStage::CreatingLog;
    CreateRemovalLog();
}

void CleaningRun::CreateBackupFile()
{
    // The backup takes the format the registry editor writes, so that every export can be copied
    // into it unchanged and the whole file imported again.
    m_backupFormat = m_platform.processes.RegistryEditorFormat();
    const TextEncoding encoding = m_backupFormat == ExportFormat::Version5 ? TextEncoding::Utf16Le : TextEncoding::Ansi;
    m_backupFileNo = m_fileNumbers.FreeFile();
    m_fileNumbers.OpenForOutput(m_backupFileNo, m_backupFileName, encoding);
    m_backupCreated = true;
    m_fileNumbers.PrintLine(m_backupFileNo, ExportHeader(m_backupFormat));
    m_fileNumbers.Flush(m_backupFileNo);
}

void CleaningRun::CreateRemovalLog()
{
    m_logFileNo = m_fileNumbers.FreeFile();
    m_fileNumbers.OpenForOutput(m_logFileNo, kRemovalLogPath, TextEncoding::Ansi);
    m_fileNumbers.PrintLine(m_logFileNo, kLogHeadLine);
    m_fileNumbers.PrintLine(m_logFileNo, kLogRuler);
    m_fileNumbers.PrintLine(m_logFileNo, "");
    m_fileNumbers.Flush(m_logFileNo);
}

void CleaningRun::CloseRunFiles()
{
    if (m_preview) {
        return; // it opened none
    }
    // The keys that stayed close the log, after the removed ones, so that its reader sees both.
    SkipOnFailure([&] {
        for (const std::string& line : m_outcome.ClosingLogLines()) {
            m_fileNumbers.PrintLine(m_logFileNo, line);
        }
    });
    // The backup is never let go: its writing ends while it stays held, and what the run wrote
    // into it is known by its digest, against which Undo checks it.
    if (m_backupCreated && !m_backupHold) {
        SkipOnFailure([&] {
            m_backupDigest = m_fileNumbers.WrittenDigest(m_backupFileNo);
            m_backupHold = m_fileNumbers.CloseIntoHold(m_backupFileNo);
        });
    }
    SkipOnFailure([&] { m_fileNumbers.Close(m_backupFileNo); });
    SkipOnFailure([&] { m_fileNumbers.Close(m_logFileNo); });
    m_fileNumbers.CloseAll();
    (void)m_platform.files.Delete(m_exportFilePath);
}

void CleaningRun::CloseAll() noexcept
{
    m_fileNumbers.CloseAll();
    m_backupHold.reset();
}

std::string CleaningRun::BackupFilePath()
{
    // The folder the backup was chosen in is the current directory; at a drive root the
    // backslash is added all the same, and Windows takes the doubled one.
    return m_platform.files.CurrentDirectory() + "\\" + m_backupFileName;
}

std::optional<std::string> CleaningRun::BackupRefusal()
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

bool IsRunFile(FileSystem& files, const std::string& path)
{
    // By the system's own spelling where the files exist, so that an alias or another letter case
    // does not hide them.
    const auto spelled = [&](std::string_view name) {
        return ToUpperText(files.ShortPathOf(name).value_or(std::string(name)));
    };
    const std::string chosen = spelled(path);
    return chosen == spelled(kExportFilePath) || chosen == spelled(kRemovalLogPath);
}

} // namespace hivetidy
