// The backup record: which bytes of a backup Undo may import.

#include "files/BackupRecord.h"
#include "platform/sim/SimFileSystem.h"
#include "shared/Failure.h"
#include "shared/Sha256.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace hivetidy::testing {
namespace {

BackupNote NoteOf(std::string_view bytes, std::string path = "C:\\Service\\PC-07.reg")
{
    return BackupNote{bytes.size(), Sha256Of(bytes), std::move(path)};
}

constexpr std::string_view kHead = "REGEDIT4\r\n";
const std::string kFirst = std::string(kHead) + "\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n";
const std::string kWhole = kFirst + "\r\n[HKEY_CURRENT_USER\\Software\\B]\r\n";

// Catches a note of any length accepted (a backup cut back to its head would pass for whole), a
// file that was extended refused outright instead of taken as far as it is vouched for, and a
// note taken only by the path it was written at (a backup copied to a stick must still import).
TEST(BackupRecord, VouchesForABackupOnlyAsFarAsItsRunWroteIt)
{
    const std::vector<BackupNote> run{NoteOf(kHead), NoteOf(kFirst), NoteOf(kWhole)};
    struct Case {
        std::string contents;
        std::optional<std::uint64_t> vouched;
    };
    const std::vector<Case> cases{
        {kWhole, kWhole.size()},
        {kWhole + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Untergeschoben]\r\n\r\n", kWhole.size()},
        {kFirst, std::nullopt},
        {std::string(kHead), std::nullopt},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Fremd]\r\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VouchedLength(c.contents, run), c.vouched) << c.contents;
    }
    // A run cut off after its first key: its last note is the one it made then.
    const std::vector<BackupNote> cutOff{NoteOf(kHead), NoteOf(kFirst), NoteOf(kHead, "E:\\andere.reg")};
    EXPECT_EQ(VouchedLength(kFirst, cutOff), kFirst.size());
    EXPECT_EQ(VouchedLength(kWhole, {NoteOf(kWhole, "E:\\kopiert\\PC-07.reg")}), kWhole.size());
}

// Catches a record rewritten without the earlier runs' notes, a line cut off mid-write taken for
// a note (or joined to the next), and a record that cannot be read replaced by a new one.
TEST(BackupRecord, KeepsEveryRunsNotesAndPassesOverALineCutShort)
{
    sim::SimFileSystem files;
    files.AddDirectory("C:\\REGISTRY", std::nullopt);
    const BackupNote earlier = NoteOf(kWhole, "C:\\alt.reg");
    files.WriteFile(kBackupRecordPath, std::to_string(earlier.length) + " " + earlier.digest + " " + earlier.path +
                                           "\r\n12 0123");
    BackupRecord record(files);
    record.Open();
    record.Note("C:\\neu.reg", kFirst.size(), Sha256Of(kFirst));
    record.Close();

    const auto notes = ReadBackupRecord(files);
    ASSERT_TRUE(notes);
    ASSERT_EQ(notes->size(), 2u);
    EXPECT_EQ((*notes)[0].path, "C:\\alt.reg");
    EXPECT_EQ((*notes)[1].path, "C:\\neu.reg");
    EXPECT_EQ((*notes)[1].length, kFirst.size());

    files.OpenInOtherProcess(kBackupRecordPath, sim::FileUse::Write, sim::FileUse::None);
    EXPECT_FALSE(ReadBackupRecord(files));
    BackupRecord blocked(files);
    EXPECT_THROW(blocked.Open(), Failure);
}

} // namespace
} // namespace hivetidy::testing
