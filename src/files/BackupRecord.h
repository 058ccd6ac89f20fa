#pragma once
// The record of the backups this machine's runs wrote: as a run writes its backup, it notes after
// every piece that is on the disk how long the file is and the digest of those bytes, in a file of
// the working folder, which only administrators can change. Undo imports a backup only as far as
// such a note vouches for its bytes: a backup that somebody changed or extended is never imported
// beyond what the run wrote, and the backup of a run that was cut off is still whole up to its
// last note, which was made before the key it saved was deleted.

#include "platform/FileSystem.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hivetidy {

inline constexpr std::string_view kBackupRecordPath = "C:\\REGISTRY\\HIVETIDY.SIG";

// One note: the backup at path held length bytes with that SHA-256 digest.
struct BackupNote {
    std::uint64_t length = 0;
    std::string digest; // 64 lower-case hexadecimal digits
    std::string path;   // the backup's full path when it was written, for whoever reads the file
};

// The notes of the record; none when there is no record. A line cut short (the machine lost its
// power while it was written) or that is not a note is passed over. nullopt when a record is there
// but cannot be read.
[[nodiscard]] std::optional<std::vector<BackupNote>> ReadBackupRecord(FileSystem& files);

// How many of the first bytes of contents the last note of a run vouches for (the longest such
// part; a note is taken by its length and digest, wherever the file is now); nullopt when none
// does. A file that holds less than its run wrote is vouched for by none.
[[nodiscard]] std::optional<std::uint64_t> VouchedLength(std::string_view contents, const std::vector<BackupNote>& notes);

// The record as one run writes it: the earlier runs' notes kept, this run's added.
class BackupRecord {
public:
    explicit BackupRecord(FileSystem& files);

    // Opens the record, keeping every note in it. Throws Failure.
    void Open();
    // Adds a note, on the disk when this returns. Throws Failure.
    void Note(std::string_view path, std::uint64_t length, std::string_view digest);
    // Ends the writing; what was noted stays.
    void Close() noexcept;

private:
    FileSystem& m_files;
    std::unique_ptr<WritableFile> m_file;
};

} // namespace hivetidy
