#include "support/ProgramFixture.h"

#include "shared/Text.h"

namespace hivetidy::testing {
namespace {

constexpr std::string_view kClassA = "{A0000000-0000-0000-0000-00000000000A}";
constexpr std::string_view kClassB = "{B0000000-0000-0000-0000-00000000000B}";
constexpr std::string_view kClassC = "{C0000000-0000-0000-0000-00000000000C}";
constexpr std::string_view kLibX = "{E0000000-0000-0000-0000-00000000000E}";
constexpr std::string_view kLibY = "{F0000000-0000-0000-0000-00000000000F}";
constexpr std::string_view kForeignLib = "{99999999-1111-2222-3333-444444444444}"; // the fixture's stdole2.tlb
constexpr std::string_view kMakerMachine = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVA Roboter GmbH";

class CleaningRun : public ProgramFixture {
protected:
    CleaningRun()
    {
        Files().AddDirectory("C:\\Programme\\OMX\\BIN", std::nullopt);
        AddClass("{00000000-1111-2222-3333-444444444444}", "C:\\Windows\\System32\\shell32.dll", "Shell.Fremd.1");
        AddTypeLib("{99999999-1111-2222-3333-444444444444}", "C:\\Windows\\System32\\stdole2.tlb");
        AddAppPath("notepad.exe", "C:\\Windows\\notepad.exe");
    }

    std::string BackupText()
    {
        const auto bytes = Files().Contents(kBackupPath);
        return bytes && bytes->starts_with("\xFF\xFE") ? Utf16ToUtf8(LeBytesToUtf16(bytes->substr(2))) : std::string{};
    }

    void TickMakerBox()
    {
        Window().SetCheckValue(Control::Check1, 1);
    }

    // Two type libraries and two application paths; Cancel arrives at the yield after that many
    // removals, in the type-library loop (1) or the application-path loop (3).
    void CancelAfterRemovals(std::size_t removals)
    {
        AddTypeLib(kLibX, "C:\\Programme\\OMX\\LIB\\x.tlb");
        AddTypeLib(kLibY, "C:\\Programme\\OMX\\LIB\\y.tlb");
        AddAppPath("Achse.exe", "C:\\Programme\\OMX\\BIN\\Achse.exe");
        AddAppPath("Werkzeug.exe", "C:\\Programme\\OMX\\BIN\\Werkzeug.exe");
        Window().SetYieldHook([&](int) {
            if (LoggedKeys().size() >= removals) {
                Window().PostClick(Control::Command2);
            }
        });
        EXPECT_TRUE(Run());
        EXPECT_EQ(LoggedKeys().size(), removals);
        ExpectLoggedKeysGoneAndSaved();
        EXPECT_EQ(Files().DurableContents(kLogPath), Files().Contents(kLogPath));
        EXPECT_EQ(Files().DurableContents(kBackupPath), Files().Contents(kBackupPath));
        // Catches an EndProgram that leaves the run's files open (no m_fileNumbers.CloseAll()):
        // every write is flushed, so only the open handles tell.
        for (const std::string& file : Files().ListFiles()) {
            EXPECT_FALSE(Files().IsOpen(file)) << file;
        }
    }

    // Every key named in the log is gone, and every one of them has its section in the backup.
    void ExpectLoggedKeysGoneAndSaved()
    {
        const std::string backup = ToUpperText(BackupText());
        for (const std::string& line : LoggedKeys()) {
            const std::string key = line.substr(1, line.size() - 2);
            EXPECT_FALSE(Registry().KeyExists(key)) << key;
            EXPECT_NE(backup.find(ToUpperText(line) + "\r\n"), std::string::npos) << key;
        }
    }
};

TEST_F(CleaningRun, OverACleanRegistryLeavesOnlyTheHeadLinesAndFinishes)
{
    const auto before = Registry().Dump();
    EXPECT_FALSE(Run());
    EXPECT_EQ(Registry().Dump(), before);
    EXPECT_EQ(*Files().Contents(kBackupPath), Utf16ToLeBytes(u"\uFEFFWindows Registry Editor Version 5.00\r\n"));
    EXPECT_EQ(*Files().Contents(kLogPath),
              "Folgende Knoten wurden aus der Registry gel\xF6scht :\r\n=========================================\r\n\r\n");
    EXPECT_FALSE(Files().Exists("c:\\registry\\hlp.reg"));

    const auto& w = Window();
    EXPECT_FALSE(w.State(Control::Command1).enabled);
    EXPECT_TRUE(w.State(Control::Command2).enabled);
    EXPECT_EQ(w.State(Control::Command2).caption, "E&xit");
    EXPECT_TRUE(w.State(Control::Command3).enabled);
    EXPECT_FALSE(w.State(Control::Check1).enabled);
    EXPECT_FALSE(w.State(Control::Label1).visible);
    EXPECT_TRUE(w.State(Control::Label2).visible);
    EXPECT_EQ(w.State(Control::Label2).caption,
              "Durch Anklicken des Undo - Buttons kann der L\u00f6schvorgang wieder r\u00fcckg\u00e4ngig gemacht werden !");
    EXPECT_FALSE(w.TimerEnabled());
    EXPECT_EQ(sim.system().BeepCount(), 2);
}

TEST_F(CleaningRun, VersionFourEditorGivesAVersionFourBackup)
{
    sim.processes().SetExportFormat(ExportFormat::Version4);
    AddClass(std::string(kClassA), "C:\\Programme\\OMX\\BIN\\a.dll");
    EXPECT_FALSE(Run());
    const std::string backup = *Files().Contents(kBackupPath);
    EXPECT_TRUE(backup.starts_with("REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kClassA) + "]\r\n"));
    EXPECT_EQ(backup.find("REGEDIT4", 1), std::string::npos);
}

TEST_F(CleaningRun, RemovesEveryControllerRegistrationInTheRunsOrder)
{
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\achse.dll", "Omx.Achse.1", kLibX);
    AddTypeLib(kLibX, "C:\\Programme\\OMX\\LIB\\achse.tlb");
    AddClass(kClassB, "C:\\Progra~1\\OMX\\UTIL\\werkzeug.exe");
    AddTypeLib(kLibY, "C:\\Programme\\OMX\\LIB\\y.tlb", "1.0");
    AddTypeLib(kLibY, "C:\\Programme\\OMX\\LIB\\y2.tlb", "2.0");
    AddAppPath("Achse.exe", "C:\\Programme\\OMX\\BIN\\Achse.exe");
    const auto foreign = Registry().Dump();

    EXPECT_FALSE(Run());

    // HKEY_CLASSES_ROOT shows the machine's Classes key: the second removal of a pair finds nothing.
    EXPECT_EQ(LoggedKeys(), (std::vector<std::string>{
                                "[HKEY_CLASSES_ROOT\\Omx.Achse.1]",
                                "[HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kClassA) + "]",
                                "[HKEY_CLASSES_ROOT\\TypeLib\\" + std::string(kLibX) + "]",
                                "[HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kClassB) + "]",
                                "[HKEY_CLASSES_ROOT\\TypeLib\\" + std::string(kLibY) + "]",
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Achse.exe]",
                            }));
    ExpectLoggedKeysGoneAndSaved();
    EXPECT_FALSE(Files().Exists("c:\\registry\\hlp.reg"));
    EXPECT_TRUE(Registry().KeyExists("HKEY_CLASSES_ROOT\\Shell.Fremd.1"));
    EXPECT_TRUE(Registry().KeyExists("HKEY_CLASSES_ROOT\\TypeLib\\{99999999-1111-2222-3333-444444444444}"));
    EXPECT_TRUE(Registry().KeyExists(std::string(kAppPaths) + "notepad.exe"));
    EXPECT_TRUE(Registry().KeyExists("HKEY_CLASSES_ROOT\\CLSID"));
}

TEST_F(CleaningRun, UndoImportsTheBackupAndRestoresTheRegistry)
{
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\achse.dll", "Omx.Achse.1", kLibX);
    AddTypeLib(kLibX, "C:\\Programme\\OMX\\LIB\\achse.tlb");
    AddAppPath("Achse.exe", "C:\\Programme\\OMX\\BIN\\Achse.exe");
    Registry().SetString(std::string(kMakerMachine) + "\\Version", "InstallationDir", "C:\\Programme\\OMX");
    Registry().SetString(std::string(kMakerUser), "Sprache", "Deutsch \u00e4\u00f6\u00fc");
    const auto before = Registry().Dump();
    Load();
    TickMakerBox();
    sim.dialogs().QueueSave(std::string(kBackupPath));
    ASSERT_FALSE(Press(Control::Command1));
    ASSERT_NE(Registry().Dump(), before);
    EXPECT_TRUE(Press(Control::Command3));
    EXPECT_EQ(Registry().Dump(), before);
}

TEST_F(CleaningRun, RemovesTheMakerKeysOnlyWhenTheBoxIsTicked)
{
    Registry().CreateKey(std::string(kMakerUser));
    Registry().SetString(std::string(kMakerMachine) + "\\Version", "InstallationDir", "C:\\Programme\\OMX");
    Registry().CreateKey("HKEY_USERS\\.DEFAULT\\Software\\ORVA Roboter GmbH");
    Registry().CreateKey("HKEY_USERS\\S-1-5-18\\Software");
    Registry().CreateKey("HKEY_USERS\\S-1-5-21-42\\Software\\ORVA Roboter GmbH");
    EXPECT_FALSE(Run()); // the box left alone
    EXPECT_TRUE(LoggedKeys().empty());
    EXPECT_TRUE(Registry().KeyExists(std::string(kMakerUser)));

    // A second run is a second program start: the first one ends with Exit.
    ASSERT_TRUE(Press(Control::Command2));
    Form1 second(platform);
    Window().SetEvents(&second);
    second.Form_Load();
    TickMakerBox();
    sim.dialogs().QueueSave(std::string(kBackupPath));
    EXPECT_FALSE(Press(Control::Command1));
    EXPECT_EQ(LoggedKeys(), (std::vector<std::string>{
                                "[HKEY_CURRENT_USER\\Software\\ORVA Roboter GmbH]",
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVA Roboter GmbH]",
                                "[HKEY_USERS\\.DEFAULT\\Software\\ORVA Roboter GmbH]",
                                "[HKEY_USERS\\S-1-5-21-42\\Software\\ORVA Roboter GmbH]",
                            }));
    ExpectLoggedKeysGoneAndSaved();
}

TEST_F(CleaningRun, UsesRegistryTextsAsKeyNamesOnlyWhenTheyNameTheClasssOwnKeys)
{
    // A controller class whose ProgID key says "CLSID": deleting that would take every class.
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll");
    Registry().SetString(std::string(kClsid) + std::string(kClassA) + "\\ProgID", "", "CLSID");
    // A ProgID that belongs to another class, and type-library texts that are no identifiers.
    AddClass(kClassB, "C:\\Programme\\OMX\\BIN\\b.dll", "", "TypeLib");
    Registry().SetString(std::string(kClsid) + std::string(kClassB) + "\\ProgID", "", "Shell.Fremd.1");
    AddClass(kClassC, "C:\\Programme\\OMX\\BIN\\c.dll", "", "{99999999-1111-2222-3333-444444444444}\\..");
    Registry().SetString(std::string(kClsid) + std::string(kClassC) + "\\ProgID", "", "Omx\\..\\Shell.Fremd.1");

    EXPECT_FALSE(Run());

    EXPECT_TRUE(Registry().KeyExists("HKEY_CLASSES_ROOT\\CLSID\\{00000000-1111-2222-3333-444444444444}"));
    EXPECT_TRUE(Registry().KeyExists("HKEY_CLASSES_ROOT\\Shell.Fremd.1"));
    EXPECT_TRUE(Registry().KeyExists("HKEY_CLASSES_ROOT\\TypeLib\\{99999999-1111-2222-3333-444444444444}"));
    // The classes themselves still go.
    EXPECT_EQ(LoggedKeys(), (std::vector<std::string>{
                                "[HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kClassA) + "]",
                                "[HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kClassB) + "]",
                                "[HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kClassC) + "]",
                            }));
}

TEST_F(CleaningRun, CancelIsDisabledOnlyWhileTheEditorRuns)
{
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll");
    std::vector<bool> cancelEnabled;
    sim.processes().SetStartHook([&](const std::string&) { cancelEnabled.push_back(Window().State(Control::Command2).enabled); });
    EXPECT_FALSE(Run());
    EXPECT_EQ(cancelEnabled, std::vector<bool>{false});
    EXPECT_TRUE(Window().State(Control::Command2).enabled);
}

TEST_F(CleaningRun, ATypeLibraryGoesWithItsClassOnlyByAGuidOfEitherCase)
{
    const std::string lowerLib = "{e0000000-0000-0000-0000-00000000000e}";
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll", "", lowerLib);
    AddTypeLib(lowerLib, "C:\\Programme\\OMX\\LIB\\a.tlb");
    // A library key that is no GUID goes only in the type-library pass, after every class.
    AddClass(kClassB, "C:\\Programme\\OMX\\BIN\\b.dll", "", "OmxBibliothek");
    AddTypeLib("OmxBibliothek", "C:\\Programme\\OMX\\LIB\\b.tlb");
    AddClass(kClassC, "C:\\Programme\\OMX\\BIN\\c.dll");

    EXPECT_FALSE(Run());

    EXPECT_EQ(LoggedKeys(), (std::vector<std::string>{
                                "[HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kClassA) + "]",
                                "[HKEY_CLASSES_ROOT\\TypeLib\\" + lowerLib + "]",
                                "[HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kClassB) + "]",
                                "[HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kClassC) + "]",
                                "[HKEY_CLASSES_ROOT\\TypeLib\\OmxBibliothek]",
                            }));
}

// Catches a cached verdict that stands in for the class's own finding (Callbacks.cpp
// `ServerPathFound = known->second` instead of `ServerPathFound || known->second`).
TEST_F(CleaningRun, AControllerClassGoesWhenAForeignClassBeforeItNamedTheSameForeignLibrary)
{
    // The foreign class comes first in the walk, so the library is judged (foreign) before the
    // controller class names it.
    const std::string foreignClass = "{10000000-0000-0000-0000-000000000001}";
    AddClass(foreignClass, "C:\\Windows\\System32\\fremd.dll", "", kForeignLib);
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll", "", kForeignLib);

    EXPECT_FALSE(Run());

    EXPECT_FALSE(Registry().KeyExists(std::string(kClsid) + std::string(kClassA)));
    EXPECT_TRUE(Registry().KeyExists(std::string(kClsid) + foreignClass));
    EXPECT_TRUE(Registry().KeyExists(std::string(kTypeLib) + std::string(kForeignLib)));
}

// Catches a type-library pass without its machine half (no RemoveBelow of SOFTWARE\Classes\TypeLib):
// through HKEY_CLASSES_ROOT only the user's key goes.
TEST_F(CleaningRun, RemovesAControllerLibraryFromTheUsersClassesAndTheMachines)
{
    const std::string user = "HKEY_CURRENT_USER\\Software\\Classes\\TypeLib\\" + std::string(kLibX);
    const std::string machine = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\TypeLib\\" + std::string(kLibX);
    for (const std::string& library : {user, machine}) {
        Registry().SetString(library + "\\1.0\\0\\win32", "", "C:\\Programme\\OMX\\LIB\\x.tlb");
    }

    EXPECT_FALSE(Run());

    EXPECT_FALSE(Registry().KeyExists(user));
    EXPECT_FALSE(Registry().KeyExists(machine));
}

TEST_F(CleaningRun, TellsWhichFileOrFolderStoppedTheRun)
{
    struct Row {
        std::string backupPath;
        std::string_view failingFile;
        std::string_view text;
    };
    for (const Row& row : {Row{"C:\\Fehlt\\b.reg", "", "Der Ordner der Sicherungskopie kann nicht ge\u00f6ffnet werden."},
                           Row{std::string(kBackupPath), kBackupPath, "Die Sicherungskopie kann nicht angelegt werden."},
                           Row{std::string(kBackupPath), kLogPath,
                               "Das L\u00f6schprotokoll C:\\REGISTRY\\HIVETIDY.BAK kann nicht angelegt werden."}}) {
        sim::SimPlatform machine;
        Platform platform = machine.Get();
        Form1 program(platform);
        machine.window().SetEvents(&program);
        machine.files().FailCreate(std::string(row.failingFile));
        machine.dialogs().QueueMessageBoxAnswer(1);
        program.Form_Load();
        machine.dialogs().QueueSave(row.backupPath);
        machine.window().Click(Control::Command1);
        ASSERT_EQ(machine.dialogs().MessageBoxesShown().size(), 1u) << row.text;
        EXPECT_TRUE(machine.dialogs().MessageBoxesShown()[0].text.starts_with(row.text)) << machine.dialogs().MessageBoxesShown()[0].text;
    }
}

TEST_F(CleaningRun, CancelDuringTheTypeLibraryRemovalsEndsTheRunThere)
{
    CancelAfterRemovals(1);
    EXPECT_TRUE(Registry().KeyExists(std::string(kTypeLib) + std::string(kLibY)));
}

TEST_F(CleaningRun, CancelDuringTheApplicationPathRemovalsEndsTheRunThere)
{
    CancelAfterRemovals(3);
    EXPECT_TRUE(Registry().KeyExists(std::string(kAppPaths) + "Werkzeug.exe"));
}

TEST_F(CleaningRun, ShowsTheElapsedTimeWhileRunning)
{
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll");
    bool checked = false;
    Window().SetYieldHook([&](int) {
        if (checked) {
            return;
        }
        checked = true;
        const auto& w = Window();
        EXPECT_FALSE(w.State(Control::Command1).enabled);
        EXPECT_TRUE(w.State(Control::Command2).enabled);
        EXPECT_EQ(w.State(Control::Command2).caption, "&Cancel");
        EXPECT_EQ(w.Focused(), Control::Command2);
        EXPECT_FALSE(w.State(Control::Command3).enabled);
        EXPECT_FALSE(w.State(Control::Check1).enabled);
        EXPECT_TRUE(w.State(Control::Label1).visible);
        EXPECT_FALSE(w.State(Control::Label2).visible);
        EXPECT_TRUE(w.TimerEnabled());
        Window().PostTick();
    });
    EXPECT_FALSE(Run());
    EXPECT_TRUE(checked);
    EXPECT_EQ(Window().State(Control::Label1).caption, "00:00:01");
}

TEST_F(CleaningRun, CancelMidRunKeepsEveryRemovedKeyInTheBackup)
{
    for (int i = 0; i < 40; ++i) {
        char clsid[64];
        std::snprintf(clsid, sizeof clsid, "{A0000000-0000-0000-0000-%012d}", i);
        AddClass(clsid, "C:\\Programme\\OMX\\BIN\\a.dll", "Omx.Klasse." + std::to_string(i), "");
    }
    // Cancel arrives at the yield after the fifth class's removals (its ProgID and class keys).
    Window().SetYieldHook([&](int) {
        if (LoggedKeys().size() >= 10) {
            Window().PostClick(Control::Command2);
        }
    });
    EXPECT_TRUE(Run());
    EXPECT_EQ(LoggedKeys().size(), 10u);
    ExpectLoggedKeysGoneAndSaved();
    // The files were closed as the program ended: what is there survives a power loss too.
    EXPECT_EQ(Files().DurableContents(kBackupPath), Files().Contents(kBackupPath));
    EXPECT_EQ(Files().DurableContents(kLogPath), Files().Contents(kLogPath));
}

TEST_F(CleaningRun, TheCloseBoxDuringARunEndsItLikeCancel)
{
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll");
    AddClass(kClassB, "C:\\Programme\\OMX\\BIN\\b.dll");
    Window().SetYieldHook([&](int) {
        if (!LoggedKeys().empty()) {
            Window().PostClose();
        }
    });
    EXPECT_TRUE(Run());
    EXPECT_EQ(LoggedKeys().size(), 1u);
    ExpectLoggedKeysGoneAndSaved();
}

TEST_F(CleaningRun, AFailureBeforeTheBackupExistsOffersExitOnlyAndSaysNothingWasDeleted)
{
    // An older backup of that name: Undo must never import it.
    Files().WriteFile(kBackupPath, "\xFF\xFE");
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll");
    Files().FailCreate(std::string(kBackupPath));
    sim.dialogs().QueueMessageBoxAnswer(1);
    EXPECT_FALSE(Run());
    ASSERT_EQ(sim.dialogs().MessageBoxesShown().size(), 1u);
    const std::string& text = sim.dialogs().MessageBoxesShown()[0].text;
    EXPECT_NE(text.find("Sicherungskopie kann nicht angelegt werden"), std::string::npos);
    EXPECT_NE(text.find("Es wurde kein Schl\u00fcssel gel\u00f6scht."), std::string::npos) << text;
    EXPECT_TRUE(Registry().KeyExists(std::string(kClsid) + std::string(kClassA)));
    EXPECT_EQ(Window().State(Control::Command2).caption, "E&xit");
    EXPECT_TRUE(Window().State(Control::Command2).enabled);
    EXPECT_FALSE(Window().State(Control::Command3).enabled);
    EXPECT_EQ(Window().State(Control::Label2).caption, "Der Bereinigungslauf wurde abgebrochen. Es wurde nichts gel\u00f6scht.");
    EXPECT_FALSE(Window().TimerEnabled());
}

TEST_F(CleaningRun, AClassRootThatCannotBeReadIsReportedWithTheFilesClosed)
{
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll");
    Registry().FailEnumeration("HKEY_CLASSES_ROOT\\CLSID");
    sim.dialogs().QueueMessageBoxAnswer(1);
    EXPECT_FALSE(Run());
    ASSERT_EQ(sim.dialogs().MessageBoxesShown().size(), 1u);
    EXPECT_NE(sim.dialogs().MessageBoxesShown()[0].text.find("HKEY_CLASSES_ROOT\\CLSID"), std::string::npos);
    EXPECT_FALSE(form.Run().Files().Numbers().IsOpen(1));
    EXPECT_FALSE(form.Run().Files().Numbers().IsOpen(2));
    EXPECT_EQ(Files().DurableContents(kLogPath), Files().Contents(kLogPath));
    // Nothing was deleted: neither Undo nor its hint is offered.
    EXPECT_FALSE(Window().State(Control::Command3).enabled);
    EXPECT_EQ(Window().State(Control::Label2).caption, kNothingDeletedHint);
}

TEST_F(CleaningRun, ASecondRunReplacesTheLogAndTheBackup)
{
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll");
    EXPECT_FALSE(Run());
    ASSERT_EQ(LoggedKeys().size(), 1u);

    ASSERT_TRUE(Press(Control::Command2));
    Form1 again(platform);
    Window().SetEvents(&again);
    again.Form_Load();
    sim.dialogs().QueueSave(std::string(kBackupPath));
    EXPECT_FALSE(Press(Control::Command1));
    EXPECT_TRUE(LoggedKeys().empty());
    EXPECT_EQ(*Files().Contents(kBackupPath), Utf16ToLeBytes(u"\uFEFFWindows Registry Editor Version 5.00\r\n"));
}

} // namespace
} // namespace hivetidy::testing
