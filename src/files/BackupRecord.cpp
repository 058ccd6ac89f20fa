#include "files/BackupRecord.h"

#include "shared/Failure.h"
#include "shared/Sha256.h"
#include "shared/Text.h"

#include <charconv>
#include <map>
#include <set>

namespace hivetidy {

namespace {

constexpr std::size_t kDigestDigits = 64;

// "<length> <digest> <path>"; nullopt for anything else.
std::optional<BackupNote> ParseNote(std::string_view line)
{
    const auto space = line.find(' ');
    if (space == std::string_view::npos || line.size() < space + 1 + kDigestDigits + 2) {
        return std::nullopt;
    }
    BackupNote note;
    const auto [end, error] = std::from_chars(line.data(), line.data() + space, note.length);
    if (error != std::errc() || end != line.data() + space || note.length == 0) {
        return std::nullopt;
    }
    note.digest = std::string(line.substr(space + 1, kDigestDigits));
    if (note.digest.find_first_not_of("0123456789abcdef") != std::string::npos ||
        line[space + 1 + kDigestDigits] != ' ') {
        return std::nullopt;
    }
    note.path = std::string(line.substr(space + 2 + kDigestDigits));
    return note;
}

} // namespace

std::optional<std::vector<BackupNote>> ReadBackupRecord(FileSystem& files)
{
    std::vector<BackupNote> notes;
    const auto text = files.ReadAll(kBackupRecordPath);
    if (!text) {
        if (!files.FindFirst(kBackupRecordPath).empty()) {
            return std::nullopt;
        }
        return notes;
    }
    // Only lines with their end count: the last one may have been cut off mid-write.
    std::size_t start = 0;
    for (auto end = text->find("\r\n"); end != std::string::npos; end = text->find("\r\n", start)) {
        if (auto note = ParseNote(std::string_view(*text).substr(start, end - start))) {
            notes.push_back(std::move(*note));
        }
        start = end + 2;
    }
    return notes;
}

std::optional<std::uint64_t> VouchedLength(std::string_view contents, const std::vector<BackupNote>& notes)
{
    // Only the last note of each run counts: the run's backup held that much when it ended, or
    // when it was cut off. An earlier note of it vouching for a file means that what the run wrote
    // after it is gone from the file. One run's notes stand together and grow; the next run's
    // begin again at the head.
    const auto last = [&](std::size_t i) {
        return i + 1 == notes.size() || notes[i + 1].length <= notes[i].length ||
               !EqualsIgnoreCase(notes[i + 1].path, notes[i].path);
    };
    // Their digests by the length they were taken at, the shortest first, so that one pass over
    // the contents tries every note.
    std::map<std::uint64_t, std::set<std::string_view>> digestsByLength;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (notes[i].length <= contents.size() && last(i)) {
            digestsByLength[notes[i].length].insert(notes[i].digest);
        }
    }
    Sha256 digest;
    std::uint64_t fed = 0;
    std::optional<std::uint64_t> vouched;
    for (const auto& [length, digests] : digestsByLength) {
        digest.Update(contents.substr(fed, length - fed));
        fed = length;
        if (digests.contains(digest.HexDigest())) {
            vouched = length;
        }
    }
    return vouched;
}

BackupRecord::BackupRecord(FileSystem& files) : m_files(files) {}

void BackupRecord::Open()
{
    // The earlier notes are written back first: a record that is there but cannot be read is
    // left as it is, since replacing it would let those backups go unvouched.
    std::string earlier;
    if (auto text = m_files.ReadAll(kBackupRecordPath)) {
        earlier = std::move(*text);
    } else if (!m_files.FindFirst(kBackupRecordPath).empty()) {
        throw Failure("the backup record cannot be read");
    }
    // A last line cut short would join the next note.
    if (!earlier.empty() && !earlier.ends_with("\r\n")) {
        earlier += "\r\n";
    }
    m_file = m_files.Create(kBackupRecordPath);
    if (!m_file || !m_file->Write(earlier) || !m_file->Flush()) {
        throw Failure("the backup record cannot be written");
    }
}

void BackupRecord::Note(std::string_view path, std::uint64_t length, std::string_view digest)
{
    const std::string line = std::to_string(length) + " " + std::string(digest) + " " + std::string(path) + "\r\n";
    if (!m_file || !m_file->Write(line) || !m_file->Flush()) {
        throw Failure("the backup record cannot be written");
    }
}

void BackupRecord::Close() noexcept
{
    if (m_file) {
        (void)m_file->Close();
        m_file.reset();
    }
}

} // namespace hivetidy
