#include "passes/CleaningRun.h"

#include "files/BackupImport.h"
#include "files/WorkingFiles.h"
#include "shared/Failure.h"
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
    m_backupRecord.Open();
    NoteBackup();
}

void CleaningRun::NoteBackup()
{
    m_backupRecord.Note(BackupFilePath(), m_fileNumbers.WrittenLength(m_backupFileNo),
                        m_fileNumbers.WrittenDigest(m_backupFileNo));
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
    // The backup is never let go: its writing ends while it stays held. What the run wrote into
    // it is in the backup record, against which Undo checks it.
    if (m_backupCreated && !m_backupHold) {
        SkipOnFailure([&] { m_backupHold = m_fileNumbers.CloseIntoHold(m_backupFileNo); });
    }
    m_backupRecord.Close();
    SkipOnFailure([&] { m_fileNumbers.Close(m_backupFileNo); });
    SkipOnFailure([&] { m_fileNumbers.Close(m_logFileNo); });
    m_fileNumbers.CloseAll();
    (void)m_platform.files.Delete(m_exportFilePath);
}

void CleaningRun::CloseAll() noexcept
{
    m_fileNumbers.CloseAll();
    m_backupRecord.Close();
    m_backupHold.reset();
}

std::string CleaningRun::BackupFilePath()
{
    // The folder the backup was chosen in is the current directory; at a drive root the
    // backslash is added all the same, and Windows takes the doubled one.
    return m_platform.files.CurrentDirectory() + "\\" + m_backupFileName;
}

std::optional<std::string> CleaningRun::HeldBackupContents()
{
    // Nobody can change the backup while it is held, so these are the bytes the editor would read.
    return m_backupHold ? m_backupHold->Contents() : std::nullopt;
}

bool IsRunFile(FileSystem& files, const std::string& path)
{
    // By the system's own spelling where the files exist, so that an alias or another letter case
    // does not hide them.
    const auto spelled = [&](std::string_view name) {
        return ToUpperText(files.ShortPathOf(name).value_or(std::string(name)));
    };
    const std::string chosen = spelled(path);
    return chosen == spelled(kExportFilePath) || chosen == spelled(kRemovalLogPath) ||
           chosen == spelled(kBackupRecordPath) || chosen == spelled(kImportCopyPath);
}

} // namespace hivetidy
