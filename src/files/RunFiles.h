#pragma once
// The run's files: the backup every key is exported into before it is deleted, the removal log that
// lists what went, and the export file the registry editor writes one key into. It creates them with
// their head lines, copies a checked export into the backup, notes in the backup record what the
// backup holds after each piece, holds the backup from the end of its writing until the program
// ends, and closes them all.

#include "files/BackupRecord.h"
#include "files/ExportCheck.h"
#include "files/FileNumbers.h"
#include "files/KeyOutcome.h"
#include "platform/FileSystem.h"
#include "platform/Processes.h"
#include "platform/System.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hivetidy {

class RunFiles {
public:
    RunFiles(FileSystem& files, System& system);
    ~RunFiles();

    RunFiles(const RunFiles&) = delete;
    RunFiles& operator=(const RunFiles&) = delete;

    // Takes the name the backup is created under, in the current directory.
    void NameBackup(std::string fileName);
    // Creates the backup file in the format the registry editor writes, with its header line, and
    // opens the backup record with a note of it. Throws Failure.
    void CreateBackupFile(ExportFormat format);
    // Names the export file and creates the removal log with its three head lines. Throws Failure.
    void CreateRemovalLog();
    // Deletes a stale export file; false when one is there that cannot be deleted.
    [[nodiscard]] bool FreeExportFile();
    // Appends the export of the key of that name to the backup file and flushes it, once it is
    // found to be the live key, whole; otherwise why the key must stay. DeletingStopped when the
    // backup could not take it: the run's files are broken from then on.
    [[nodiscard]] std::optional<StayReason> CopyExportIntoBackup(const std::string& keyName,
                                                                 const std::vector<LiveKey>& live);
    // Lists a removed key in the log, on the disk when this returns; false when the log could not
    // take it.
    [[nodiscard]] bool LogRemoved(std::string_view editorName);
    // Ends the log with those lines, ends the writing of the backup while holding it, closes the log
    // and every other open file, and deletes the export file.
    void Close(const std::vector<std::string>& closingLogLines);
    // Closes every open file with what was written to it and lets the backup go: the program ends.
    void CloseAll() noexcept;

    [[nodiscard]] FileNumbers& Numbers() { return m_numbers; }
    [[nodiscard]] const std::string& BackupFileName() const { return m_backupFileName; }
    // The backup file's full path, in the folder it was chosen in.
    [[nodiscard]] std::string BackupFilePath();
    // The backup file exists: only then is there anything for Undo.
    [[nodiscard]] bool BackupCreated() const { return m_backupCreated; }
    // The backup is held for Undo.
    [[nodiscard]] bool BackupHeld() const { return m_backupHold != nullptr; }
    // A backup was made that is not held: someone else had it open for writing as it closed.
    [[nodiscard]] bool UndoLost() const { return m_backupCreated && !m_backupHold; }
    // The held backup's bytes as they are now, read through the hold; nullopt when it is not held
    // or cannot be read.
    [[nodiscard]] std::optional<std::string> HeldBackupContents();

private:
    // Notes in the backup record what the backup holds on the disk now. Throws Failure.
    void NoteBackup();

    FileSystem& m_files;
    System& m_system;
    FileNumbers m_numbers;
    std::string m_backupFileName;
    std::string m_exportFilePath;
    FileNo m_backupFileNo = 0;
    FileNo m_exportFileNo = 0;
    FileNo m_logFileNo = 0;
    ExportFormat m_backupFormat = ExportFormat::Version4;
    bool m_backupCreated = false;
    // The backup, held from the end of its writing until the program ends.
    std::unique_ptr<HeldFile> m_backupHold;
    // Where the run notes what its backup holds, after each piece that is on the disk.
    BackupRecord m_backupRecord;
};

// True for the path of a file of the run's own (the export file, the removal log, the backup record,
// the copy Undo imports), however the file system spells it.
[[nodiscard]] bool IsRunFile(FileSystem& files, const std::string& path);

} // namespace hivetidy
