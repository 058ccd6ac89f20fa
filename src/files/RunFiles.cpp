#include "files/RunFiles.h"

#include "files/BackupImport.h"
#include "files/WorkingFiles.h"
#include "platform/Hives.h"
#include "shared/Failure.h"
#include "shared/Text.h"

#include <utility>

namespace hivetidy {

namespace {

TextEncoding EncodingOf(ExportFormat format)
{
    return format == ExportFormat::Version5 ? TextEncoding::Utf16Le : TextEncoding::Ansi;
}

} // namespace

RunFiles::RunFiles(FileSystem& files, System& system)
    : m_files(files),
      m_system(system),
      m_numbers(files, system),
      m_backupRecord(files)
{
}

RunFiles::~RunFiles() = default;

void RunFiles::NameBackup(std::string fileName)
{
    m_backupFileName = std::move(fileName);
}

void RunFiles::CreateBackupFile(ExportFormat format)
{
    // The backup takes the format the registry editor writes, so that every export can be copied
    // into it unchanged and the whole file imported again.
    m_backupFormat = format;
    m_backupFileNo = m_numbers.FreeFile();
    m_numbers.OpenForOutput(m_backupFileNo, m_backupFileName, EncodingOf(m_backupFormat));
    m_backupCreated = true;
    m_numbers.PrintLine(m_backupFileNo, ExportHeader(m_backupFormat));
    m_numbers.Flush(m_backupFileNo);
    m_backupRecord.Open();
    NoteBackup();
}

void RunFiles::NoteBackup()
{
    m_backupRecord.Note(BackupFilePath(), m_numbers.WrittenLength(m_backupFileNo), m_numbers.WrittenDigest(m_backupFileNo));
}

void RunFiles::CreateRemovalLog()
{
    m_exportFilePath = kExportFilePath;
    m_logFileNo = m_numbers.FreeFile();
    m_numbers.OpenForOutput(m_logFileNo, kRemovalLogPath, TextEncoding::Ansi);
    m_numbers.PrintLine(m_logFileNo, kLogHeadLine);
    m_numbers.PrintLine(m_logFileNo, kLogRuler);
    m_numbers.PrintLine(m_logFileNo, "");
    m_numbers.Flush(m_logFileNo);
}

bool RunFiles::FreeExportFile()
{
    return m_files.Delete(m_exportFilePath) || m_files.FindFirst(m_exportFilePath).empty();
}

std::optional<StayReason> RunFiles::CopyExportIntoBackup(const std::string& keyName, const std::vector<LiveKey>& live)
{
    // The export is taken only when it is this key, whole, in the backup's own format: every
    // section the key or a key below it, every key and value of the live key there with its data,
    // and nothing else. Anything else (no file, another format, another key, a file cut short or
    // one with sections of its own) keeps the key.
    std::vector<std::string> encoded;
    std::vector<std::string> decoded;
    const bool read = SkipOnFailure([&] {
        m_exportFileNo = m_numbers.FreeFile();
        m_numbers.OpenForInput(m_exportFileNo, m_exportFilePath, EncodingOf(m_backupFormat));
        const bool lines = SkipOnFailure([&] {
            while (!m_numbers.Eof(m_exportFileNo)) {
                encoded.push_back(m_numbers.LineInput(m_exportFileNo));
                decoded.push_back(m_numbers.Decode(m_exportFileNo, encoded.back()));
            }
        });
        m_numbers.Close(m_exportFileNo);
        if (!lines) {
            throw Failure("export cannot be read");
        }
    });
    if (!read || encoded.empty()) {
        return StayReason::ExportNotMade; // no file, or the editor wrote nothing into it
    }
    const ExportVerdict verdict = CheckExport(decoded, keyName, m_backupFormat, live,
                                              [this](std::string_view utf8) { return m_system.ToAnsi(utf8); });
    if (!verdict.accepted) {
        return StayReason::ExportIncomplete;
    }
    // The header stays behind: the backup has its own.
    const bool copied = SkipOnFailure([&] {
        for (std::size_t i = 1; i < encoded.size(); ++i) {
            m_numbers.PrintEncodedLine(m_backupFileNo, encoded[i]);
        }
        m_numbers.Flush(m_backupFileNo);
        // Noted before the key goes: Undo then vouches for its export whatever happens after.
        NoteBackup();
    });
    if (!copied) {
        return StayReason::DeletingStopped;
    }
    return std::nullopt;
}

bool RunFiles::LogRemoved(std::string_view editorName)
{
    return SkipOnFailure([&] {
        std::string line = "[";
        line.append(editorName).append("]");
        m_numbers.PrintLine(m_logFileNo, line);
        m_numbers.Flush(m_logFileNo);
    });
}

void RunFiles::Close(const std::vector<std::string>& closingLogLines)
{
    // The keys that stayed close the log, after the removed ones, so that its reader sees both.
    SkipOnFailure([&] {
        for (const std::string& line : closingLogLines) {
            m_numbers.PrintLine(m_logFileNo, line);
        }
    });
    // The backup is never let go: its writing ends while it stays held. What the run wrote into
    // it is in the backup record, against which Undo checks it.
    if (m_backupCreated && !m_backupHold) {
        SkipOnFailure([&] { m_backupHold = m_numbers.CloseIntoHold(m_backupFileNo); });
    }
    m_backupRecord.Close();
    SkipOnFailure([&] { m_numbers.Close(m_backupFileNo); });
    SkipOnFailure([&] { m_numbers.Close(m_logFileNo); });
    m_numbers.CloseAll();
    (void)m_files.Delete(m_exportFilePath);
}

void RunFiles::CloseAll() noexcept
{
    m_numbers.CloseAll();
    m_backupRecord.Close();
    m_backupHold.reset();
}

std::string RunFiles::BackupFilePath()
{
    // The folder the backup was chosen in is the current directory; at a drive root the
    // backslash is added all the same, and Windows takes the doubled one.
    return m_files.CurrentDirectory() + "\\" + m_backupFileName;
}

std::optional<std::string> RunFiles::HeldBackupContents()
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
           chosen == spelled(kBackupRecordPath) || chosen == spelled(kImportCopyPath) || chosen == spelled(kHiveRecordPath);
}

} // namespace hivetidy
