#include "app/Form1.h"

#include "files/WorkingFiles.h"
#include "shared/Failure.h"

namespace hivetidy {

void Form1::OpenRunFiles()
{
    m_stage = RunStage::CreatingBackup;
    CreateBackupFile();
    m_exportFilePath = kExportFilePath;
    m_stage = RunStage::CreatingLog;
    CreateRemovalLog();
}

void Form1::CreateBackupFile()
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

void Form1::CreateRemovalLog()
{
    m_logFileNo = m_fileNumbers.FreeFile();
    m_fileNumbers.OpenForOutput(m_logFileNo, kRemovalLogPath, TextEncoding::Ansi);
    m_fileNumbers.PrintLine(m_logFileNo, kLogHeadLine);
    m_fileNumbers.PrintLine(m_logFileNo, kLogRuler);
    m_fileNumbers.PrintLine(m_logFileNo, "");
    m_fileNumbers.Flush(m_logFileNo);
}

void Form1::CloseRunFiles()
{
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

} // namespace hivetidy
