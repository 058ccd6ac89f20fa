#include "support/KeyRemovalRig.h"
#include "support/ProgramFixture.h"

#include "shared/Text.h"

namespace hivetidy::testing {
namespace {

constexpr std::string_view kToolKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug";

// Export and delete of single keys, with the backup and the log open as during a run.
class ExportAndDeleteKey : public ProgramFixture, public ::testing::WithParamInterface<ExportFormat> {
protected:
    // The sections of a key's export, without its header: what a planted file would add.
    std::string SectionsOf(std::string_view key)
    {
        const std::string bytes = *sim::ExportKey(Registry(), key, GetParam());
        return bytes.substr(Version5() ? bytes.find(std::string("[\0", 2)) : bytes.find('['));
    }

    ExportAndDeleteKey()
    {
        sim.processes().SetExportFormat(GetParam());
        Files().AddDirectory("C:\\REGISTRY", std::nullopt);
        sim.dialogs().QueueSave(std::string(kBackupPath));
        rig.OpenRunFiles();
        Registry().SetString(std::string(kToolKey), "", "Werkzeug");
        Registry().SetString(std::string(kToolKey) + "\\Gr\u00f6\u00dfe", "Ma\u00df", "\u00e4\u00f6\u00fc");
    }

    KeyRemovalRig rig{platform, form};

    bool Version5() const { return GetParam() == ExportFormat::Version5; }

    // The backup's text, decoded from whichever format it is in.
    std::string BackupText(bool durableOnly = false)
    {
        const auto bytes = durableOnly ? Files().DurableContents(kBackupPath) : Files().Contents(kBackupPath);
        if (!bytes) {
            return {};
        }
        if (Version5()) {
            EXPECT_TRUE(bytes->starts_with("\xFF\xFE"));
            return Utf16ToUtf8(LeBytesToUtf16(bytes->substr(2)));
        }
        return sim.system().FromAnsi(*bytes);
    }

    std::string Header() const
    {
        return Version5() ? "Windows Registry Editor Version 5.00\r\n" : "REGEDIT4\r\n";
    }

    // What the editor exports for the key, without its header line.
    std::string ExportBody(std::string_view key)
    {
        const std::string file = "C:\\REGISTRY\\probe.reg";
        const auto exported = sim::ExportKey(Registry(), key, GetParam());
        EXPECT_TRUE(exported.has_value());
        const std::string text = Version5() ? Utf16ToUtf8(LeBytesToUtf16(exported->substr(2))) : sim.system().FromAnsi(*exported);
        return text.substr(Header().size());
    }
};

TEST_P(ExportAndDeleteKey, SavesDeletesAndLogsTheKeyWithEverythingBelowIt)
{
    const std::string body = ExportBody(kToolKey);
    rig.ExportAndDeleteKey("HKEY_LOCAL_MACHINE", "SOFTWARE\\", "Werkzeug");

    EXPECT_EQ(sim.processes().CommandLines().back(), "regedit /e  c:\\registry\\hlp.reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug\"");
    EXPECT_FALSE(Registry().KeyExists(std::string(kToolKey)));
    EXPECT_EQ(BackupText(), Header() + body);
    // On the disk before the key went, in case the power fails right after.
    EXPECT_EQ(BackupText(true), Header() + body);
    EXPECT_EQ(LoggedKeys(), std::vector<std::string>{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug]"});
    EXPECT_EQ(*Files().DurableContents(kLogPath), *Files().Contents(kLogPath));
}

TEST_P(ExportAndDeleteKey, AppendsExportsInTheOrderOfTheCalls)
{
    Registry().SetString("HKEY_CURRENT_USER\\Software\\ORVA Roboter GmbH", "Sprache", "de");
    const std::string first = ExportBody(kToolKey);
    const std::string second = ExportBody("HKEY_CURRENT_USER\\Software\\ORVA Roboter GmbH");
    rig.ExportAndDeleteKey("HKEY_LOCAL_MACHINE", "SOFTWARE\\", "Werkzeug");
    rig.ExportAndDeleteKey("HKEY_CURRENT_USER", "Software\\ORVA Roboter GmbH", "");
    EXPECT_EQ(BackupText(), Header() + first + second);
    EXPECT_EQ(LoggedKeys(), (std::vector<std::string>{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug]",
                                                      "[HKEY_CURRENT_USER\\Software\\ORVA Roboter GmbH]"}));
}

TEST_P(ExportAndDeleteKey, TakesTheHiveNameInAnyCaseAndNamesTheKeyAsTheEditorDoes)
{
    Registry().CreateKey("HKEY_USERS\\.DEFAULT\\Software\\ORVA Roboter GmbH");
    rig.ExportAndDeleteKey("hkey_users", ".DEFAULT\\Software\\ORVA Roboter GmbH", "");
    EXPECT_FALSE(Registry().KeyExists("HKEY_USERS\\.DEFAULT\\Software\\ORVA Roboter GmbH"));
    EXPECT_EQ(LoggedKeys(), std::vector<std::string>{"[HKEY_USERS\\.DEFAULT\\Software\\ORVA Roboter GmbH]"});
}

TEST_P(ExportAndDeleteKey, PassesOverAKeyThatIsNotThereWithoutATrace)
{
    const std::string before = BackupText();
    rig.ExportAndDeleteKey("HKEY_LOCAL_MACHINE", "SOFTWARE\\", "Fehlt");
    rig.ExportAndDeleteKey("HKEY_NOWHERE", "SOFTWARE\\", "Werkzeug");
    rig.ExportAndDeleteKey("HKEY_LOCAL_MACHINE", "SOFTWARE\\Werkzeug\\", "");
    EXPECT_TRUE(sim.processes().CommandLines().empty());
    EXPECT_EQ(BackupText(), before);
    EXPECT_TRUE(LoggedKeys().empty());
    EXPECT_TRUE(Registry().KeyExists(std::string(kToolKey)));
}

TEST_P(ExportAndDeleteKey, ALogThatCannotBeWrittenStopsEveryLaterDeletion)
{
    Registry().SetString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Anderes", "", "x");
    Files().FailWritesTo(std::string(kLogPath));
    rig.ExportAndDeleteKey("HKEY_LOCAL_MACHINE", "SOFTWARE\\", "Werkzeug");
    Files().FailWritesTo(std::string{});
    // The first key's export is in the backup, but the log no longer says what went: nothing more
    // goes, even once the log could be written again.
    rig.ExportAndDeleteKey("HKEY_LOCAL_MACHINE", "SOFTWARE\\", "Anderes");
    EXPECT_TRUE(Registry().KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Anderes"));
    EXPECT_EQ(sim.processes().CommandLines().size(), 1u);
}

TEST_P(ExportAndDeleteKey, KeepsTheExportButLogsNothingWhenTheDeletionFails)
{
    Registry().FailDelete(std::string(kToolKey));
    const std::string body = ExportBody(kToolKey);
    rig.ExportAndDeleteKey("HKEY_LOCAL_MACHINE", "SOFTWARE\\", "Werkzeug");
    EXPECT_TRUE(Registry().KeyExists(std::string(kToolKey)));
    EXPECT_EQ(BackupText(), Header() + body);
    EXPECT_TRUE(LoggedKeys().empty());
}

TEST_P(ExportAndDeleteKey, NeverDeletesAKeyWhoseExportDidNotReachTheBackup)
{
    const auto keyStays = [&](const char* why) {
        const std::string before = BackupText();
        rig.ExportAndDeleteKey("HKEY_LOCAL_MACHINE", "SOFTWARE\\", "Werkzeug");
        EXPECT_TRUE(Registry().KeyExists(std::string(kToolKey))) << why;
        EXPECT_EQ(BackupText(), before) << why;
        EXPECT_TRUE(LoggedKeys().empty()) << why;
    };

    sim.processes().FailStarts(true);
    keyStays("the editor cannot be started");
    sim.processes().FailStarts(false);

    // The export of an earlier key still lies in the export file; this one writes nothing.
    Registry().SetString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Anderes", "", "x");
    Files().WriteFile("c:\\registry\\hlp.reg", *sim::ExportKey(Registry(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Anderes", GetParam()));
    sim.processes().SetExportHook([](const std::string&, const std::string&) { return true; });
    keyStays("the export file is stale");

    // The export file still holds this very key's export from before; the editor writes nothing.
    Files().WriteFile("c:\\registry\\hlp.reg", *sim::ExportKey(Registry(), kToolKey, GetParam()));
    keyStays("the export file is a stale one of this key");

    // The editor stopped after the section line, or wrote sections of its own.
    const std::string whole = *sim::ExportKey(Registry(), kToolKey, GetParam());
    for (const auto& [why, bytes] : std::vector<std::pair<const char*, std::string>>{
             {"the export is cut short", Version5() ? whole.substr(0, whole.find("\n\0", whole.find("[\0")) + 2)
                                                    : whole.substr(0, whole.find('\n', whole.find('[')) + 1)},
             {"the export has no header", Version5() ? "\xFF\xFE" + whole.substr(whole.find("\n\0") + 2)
                                                     : whole.substr(whole.find('\n') + 1)},
             {"the export has a section of another key", whole + SectionsOf("HKEY_LOCAL_MACHINE\\SOFTWARE\\Anderes")},
         }) {
        sim.processes().SetExportHook([&, bytes = bytes](const std::string& file, const std::string&) {
            Files().WriteFile(file, bytes);
            return true;
        });
        keyStays(why);
    }

    // The editor wrote another key's export.
    sim.processes().SetExportHook([&](const std::string& file, const std::string&) {
        Files().WriteFile(file, *sim::ExportKey(Registry(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Anderes", GetParam()));
        return true;
    });
    keyStays("the export holds another key");

    // The editor wrote the other format.
    const ExportFormat other = Version5() ? ExportFormat::Version4 : ExportFormat::Version5;
    sim.processes().SetExportHook([&](const std::string& file, const std::string&) {
        Files().WriteFile(file, *sim::ExportKey(Registry(), kToolKey, other));
        return true;
    });
    keyStays("the export is in another format");
    sim.processes().SetExportHook(nullptr);

    // The backup file cannot be written any more: this key and every later one stay.
    Files().FailWritesTo(std::string(kBackupPath));
    keyStays("the backup cannot be written");
    Files().FailWritesTo(std::string{});
    keyStays("the backup failed once");
}

TEST_P(ExportAndDeleteKey, LeavesAKeyAloneWhosePathCannotBeQuoted)
{
    Registry().CreateKey("HKEY_CLASSES_ROOT\\Bad\"Name");
    rig.ExportAndDeleteKey("HKEY_CLASSES_ROOT", "", "Bad\"Name");
    EXPECT_TRUE(Registry().KeyExists("HKEY_CLASSES_ROOT\\Bad\"Name"));
    EXPECT_TRUE(sim.processes().CommandLines().empty());
}

INSTANTIATE_TEST_SUITE_P(BothExportFormats, ExportAndDeleteKey,
                         ::testing::Values(ExportFormat::Version4, ExportFormat::Version5),
                         [](const auto& info) { return info.param == ExportFormat::Version4 ? "Version4" : "Version5"; });

// A version-4 export goes into the backup without its header; a second header inside it, in any
// letter case, is no export the editor finished, and the key stays.
TEST(ExportCopy, DropsTheHeaderAndRefusesASecondOne)
{
    sim::SimPlatform sim;
    Platform platform = sim.Get();
    Form1 form(platform);
    KeyRemovalRig rig(platform, form);
    sim.processes().SetExportFormat(ExportFormat::Version4);
    sim.files().AddDirectory("C:\\REGISTRY", std::nullopt);
    sim.dialogs().QueueSave(std::string(kBackupPath));
    rig.OpenRunFiles();
    sim.registry().SetString("HKEY_LOCAL_MACHINE\\SOFTWARE\\K", "a", "b");
    std::string exported = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\r\nregedit4\r\n\"a\"=\"b\"\r\n\r\n";
    sim.processes().SetExportHook([&](const std::string& file, const std::string&) {
        sim.files().WriteFile(file, exported);
        return true;
    });
    rig.ExportAndDeleteKey("HKEY_LOCAL_MACHINE", "SOFTWARE\\", "K");
    EXPECT_TRUE(sim.registry().KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\K"));
    EXPECT_EQ(*sim.files().Contents(kBackupPath), "REGEDIT4\r\n");

    exported = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\r\n\"a\"=\"b\"\r\n\r\n";
    rig.ExportAndDeleteKey("HKEY_LOCAL_MACHINE", "SOFTWARE\\", "K");
    EXPECT_FALSE(sim.registry().KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\K"));
    EXPECT_EQ(*sim.files().Contents(kBackupPath), "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\r\n\"a\"=\"b\"\r\n\r\n");
}

} // namespace
} // namespace hivetidy::testing
