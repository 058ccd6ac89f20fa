// /undo: which backups it imports and how far, and what it says of what is back.

#include "support/ProgramFixture.h"

#include "app/CommandLineRun.h"
#include "app/ExitCode.h"
#include "files/BackupRecord.h"
#include "platform/sim/SimConsole.h"
#include "shared/Sha256.h"
#include "shared/Text.h"

#include <string>
#include <vector>

namespace hivetidy::testing {
namespace {

constexpr std::string_view kBackup = "C:\\Service\\PC-07.reg";
constexpr std::string_view kAxis = "{A1000000-0000-0000-0000-000000000001}";
constexpr std::string_view kTool = "{B2000000-0000-0000-0000-000000000003}";

class CommandLineUndo : public ProgramFixture {
protected:
    CommandLineUndo()
    {
        Files().AddDirectory("C:\\Service", std::nullopt);
        AddClass(kAxis, "C:\\Programme\\OMX\\BIN\\achse.dll");
        AddClass(kTool, "C:\\Programme\\OMX\\BIN\\werkzeug.dll");
    }

    int RunLine(CommandAction action, std::string_view path)
    {
        CommandLine line;
        line.action = action;
        (action == CommandAction::Undo ? line.undoPath : line.backupPath) = std::string(path);
        return RunFromCommandLine(platform, console, line);
    }

    // A version-5 export as the editor writes it, in UTF-16LE with its byte-order mark.
    static std::string Version5(std::u16string_view sections)
    {
        return Utf16ToLeBytes(u"\uFEFFWindows Registry Editor Version 5.00\r\n" + std::u16string(sections));
    }

    bool Said(std::string_view words) const
    {
        for (const std::string& line : console.Lines()) {
            if (line.find(words) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    static std::string ClassKey(std::string_view clsid) { return std::string(kClsid) + std::string(clsid); }

    sim::SimConsole console;
};

// Catches /undo that checks no more than the head line (the old check: any export imported as
// administrator), a head line taken by its prefix ("REGEDIT40"), and a backup someone extended
// imported whole or reported as done.
TEST_F(CommandLineUndo, ImportsOnlyWhatARunOfThisMachineWrote)
{
    ASSERT_EQ(RunLine(CommandAction::Auto, kBackup), ToInt(ExitCode::Done));
    ASSERT_FALSE(Registry().KeyExists(ClassKey(kAxis)));

    Files().WriteFile("C:\\Service\\fremd.reg", Version5(u"\r\n[HKEY_CURRENT_USER\\Software\\Fremd]\r\n\"a\"=\"b\"\r\n\r\n"));
    const std::string forty = "REGEDIT40\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vierzig]\r\n\r\n";
    Files().WriteFile("C:\\Service\\vierzig.reg", forty);
    BackupRecord record(Files());
    record.Open();
    record.Note("C:\\Service\\vierzig.reg", forty.size(), Sha256Of(forty));
    record.Close();
    for (const std::string_view refused : {"C:\\Service\\fremd.reg", "C:\\Service\\vierzig.reg"}) {
        EXPECT_EQ(RunLine(CommandAction::Undo, refused), ToInt(ExitCode::FailedBeforeDeletion)) << refused;
    }
    EXPECT_TRUE(sim.processes().Imports().empty());
    EXPECT_FALSE(Registry().KeyExists("HKEY_CURRENT_USER\\Software\\Fremd"));
    EXPECT_FALSE(Registry().KeyExists("HKEY_CURRENT_USER\\Software\\Vierzig"));

    Files().WriteFile(kBackup, *Files().Contents(kBackup) +
                                   Utf16ToLeBytes(u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Untergeschoben]\r\n\r\n"));
    console.Clear();
    EXPECT_EQ(RunLine(CommandAction::Undo, kBackup), ToInt(ExitCode::Partial));
    EXPECT_TRUE(Registry().KeyExists(ClassKey(kAxis) + "\\InprocServer32"));
    EXPECT_FALSE(Registry().KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Untergeschoben"));
    EXPECT_TRUE(Said("nicht importiert"));
}

// Catches Undo refusing a backup whose writing failed after a key was deleted (a full disk, a
// flaky stick): it holds that key's export whole, and Undo must put it back. Also catches the
// record noted only at the end of the run, which a run cut off (a power failure) would never
// reach: at each key's export the backup on the disk is vouched for whole.
TEST_F(CommandLineUndo, RestoresWhatTheBackupHoldsWholeAfterALaterWriteFailed)
{
    int exports = 0;
    bool vouchedEachTime = true;
    sim.processes().SetExportHook([&](const std::string&, const std::string&) {
        // What a power loss would leave of the backup and of the record (read as a later /undo would).
        const auto onDisk = Files().DurableContents(kBackup);
        sim::SimFileSystem afterPowerLoss;
        afterPowerLoss.AddDirectory("C:\\REGISTRY", std::nullopt);
        afterPowerLoss.WriteFile(kBackupRecordPath, Files().DurableContents(kBackupRecordPath).value_or(""));
        const auto notes = ReadBackupRecord(afterPowerLoss);
        vouchedEachTime = vouchedEachTime && onDisk && notes && VouchedLength(*onDisk, *notes) == onDisk->size();
        if (++exports == 2) {
            Files().FailWritesTo(kBackup);
        }
        return false;
    });
    EXPECT_EQ(RunLine(CommandAction::Auto, kBackup), ToInt(ExitCode::Partial));
    EXPECT_TRUE(vouchedEachTime);
    ASSERT_FALSE(Registry().KeyExists(ClassKey(kAxis)));
    ASSERT_TRUE(Registry().KeyExists(ClassKey(kTool)));
    Files().FailWritesTo("");
    sim.processes().SetExportHook(nullptr);

    EXPECT_EQ(RunLine(CommandAction::Undo, kBackup), ToInt(ExitCode::Done));
    EXPECT_TRUE(Registry().KeyExists(ClassKey(kAxis) + "\\InprocServer32"));
}

// Catches an Undo that says "Importiert" and ends with 0 whatever the editor did: Wine's editor
// ends with 0 even for a file it could not read, and Windows' says nothing under /s.
TEST_F(CommandLineUndo, NamesEveryKeyTheImportLeftOut)
{
    ASSERT_EQ(RunLine(CommandAction::Auto, kBackup), ToInt(ExitCode::Done));
    Registry().DenyOpen(ClassKey(kTool));

    EXPECT_EQ(RunLine(CommandAction::Undo, kBackup), ToInt(ExitCode::Partial));
    EXPECT_TRUE(Said(ClassKey(kTool)));
    EXPECT_FALSE(Said(ClassKey(kAxis) + "\n"));
    EXPECT_TRUE(Said("Nicht wiederhergestellt (1 Schl\u00fcssel)"));
}

// Catches the lock taken as a temporary that is let go at once: a second run could then start
// while this one deletes keys, or while Undo imports.
TEST_F(CommandLineUndo, TheMachineIsHeldWhileKeysAreDeletedAndWhileUndoImports)
{
    bool heldWhileExporting = true;
    sim.processes().SetExportHook([&](const std::string&, const std::string&) {
        heldWhileExporting = heldWhileExporting && sim.system().TakeRunLock() == nullptr;
        return false;
    });
    ASSERT_EQ(RunLine(CommandAction::Auto, kBackup), ToInt(ExitCode::Done));
    EXPECT_TRUE(heldWhileExporting);

    bool heldWhileImporting = false;
    sim.processes().SetStartHook([&](const std::string&) { heldWhileImporting = sim.system().TakeRunLock() == nullptr; });
    EXPECT_EQ(RunLine(CommandAction::Undo, kBackup), ToInt(ExitCode::Done));
    EXPECT_TRUE(heldWhileImporting);
}

} // namespace
} // namespace hivetidy::testing
