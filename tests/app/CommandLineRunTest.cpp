// The program started with arguments: the preview, the unattended run and its Undo, the exit
// codes of a run's endings, and one run at a time on a machine.

#include "support/ProgramFixture.h"

#include "app/CommandLineRun.h"
#include "app/ExitCode.h"
#include "passes/CleaningRun.h"
#include "platform/sim/SimConsole.h"
#include "shared/Text.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <string>
#include <vector>

namespace hivetidy::testing {
namespace {

constexpr std::string_view kServiceBackup = "C:\\Service\\PC-07.reg";
constexpr std::string_view kReport = "C:\\Service\\PC-07.txt";

constexpr std::string_view kAxis = "{A1000000-0000-0000-0000-000000000001}";
constexpr std::string_view kPlanner = "{A1000000-0000-0000-0000-000000000002}";
constexpr std::string_view kTool = "{B2000000-0000-0000-0000-000000000003}";
constexpr std::string_view kForeign = "{C3000000-0000-0000-0000-000000000004}";
constexpr std::string_view kMotionLib = "{E5000000-0000-0000-0000-000000000005}";
constexpr std::string_view kTypesLib = "{E5000000-0000-0000-0000-000000000006}";
constexpr std::string_view kSharedLib = "{E5000000-0000-0000-0000-000000000007}";

class CommandLineRun : public ProgramFixture {
protected:
    CommandLineRun() { Files().AddDirectory("C:\\Service", std::nullopt); }

    // A 32-bit controller installed as it installs itself, with a 64-bit part, among another
    // maker's registrations: two classes that share one type library and name each other's
    // ProgID keys through both HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE, a library no class names,
    // one that also registers another maker's file, application paths in both views, and the
    // maker's keys in the user's (by both his names), the machine's and another user's hive.
    void InstallController()
    {
        Files().AddDirectory("C:\\Programme\\OMX\\BIN", std::nullopt);
        AddClassIn(kClsid32, kAxis, "C:\\Programme\\OMX\\BIN\\achse.dll", "Omx.Achse.1", kMotionLib);
        AddClassIn(kClsid32, kPlanner, "C:\\Programme\\OMX\\BIN\\achse.dll", "Omx.Bahn.1", kMotionLib);
        AddClassIn(kClsid32, kForeign, "C:\\Program Files (x86)\\Fremd\\fremd.dll", "Fremd.Teil.1", "");
        AddClass(kTool, "C:\\Programme\\OMX\\BIN\\werkzeug64.dll", "", std::string(kSharedLib));
        AddTypeLib(kMotionLib, "C:\\Programme\\OMX\\BIN\\achse.dll");
        AddTypeLib(kTypesLib, "C:\\Programme\\OMX\\LIB\\typen.tlb");
        AddTypeLib(kTypesLib, "C:\\Programme\\OMX\\LIB\\typen2.tlb", "2.0");
        AddTypeLib(kSharedLib, "C:\\Programme\\OMX\\LIB\\werkzeug.tlb");
        Registry().SetString(std::string(kTypeLib) + std::string(kSharedLib) + "\\1.0\\0\\win64", "",
                             "C:\\Program Files\\Fremd\\werkzeug64.tlb");
        AddAppPath("Werkzeug64.exe", "C:\\Programme\\OMX\\BIN\\Werkzeug64.exe");
        Registry().SetString(std::string(kAppPaths32) + "Achse.exe", "", "C:\\Programme\\OMX\\UTIL\\Achse.exe");
        Registry().SetString(std::string(kAppPaths32) + "Fremd.exe", "", "C:\\Program Files (x86)\\Fremd\\Fremd.exe");
        Registry().SetString(std::string(kMakerUser), "Sprache", "Deutsch");
        Registry().SetString(std::string(kMaker32) + "\\Version", "InstallationDir", "C:\\Programme\\OMX");
        Registry().SetString("HKEY_USERS\\S-1-5-21-42\\Software\\ORVA Roboter GmbH", "Sprache", "Englisch");
        // The user's own hive is HKEY_CURRENT_USER too: the run meets his maker key twice.
        Registry().CreateKey("HKEY_USERS\\S-1-5-21-1001");
        Registry().AddLink("HKEY_USERS\\S-1-5-21-1001\\Software", "HKEY_CURRENT_USER\\Software");
    }

    void AddClassIn(std::string_view clsidKey, std::string_view clsid, std::string_view server, std::string_view progId,
                    std::string_view typeLib)
    {
        const std::string key = std::string(clsidKey) + std::string(clsid);
        Registry().SetString(key + "\\InprocServer32", "", std::string(server));
        Registry().SetString(key + "\\ProgID", "", std::string(progId));
        Registry().SetString("HKEY_CLASSES_ROOT\\" + std::string(progId) + "\\CLSID", "", std::string(clsid));
        if (!typeLib.empty()) {
            Registry().SetString(key + "\\TypeLib", "", std::string(typeLib));
        }
    }

    int RunLine(const CommandLine& line) { return RunFromCommandLine(platform, console, line); }

    static CommandLine List(std::string reportPath = {})
    {
        CommandLine line;
        line.action = CommandAction::List;
        line.reportPath = std::move(reportPath);
        line.maker = true;
        return line;
    }

    static CommandLine Auto(std::string_view backupPath = kServiceBackup, bool overwrite = false)
    {
        CommandLine line;
        line.action = CommandAction::Auto;
        line.backupPath = std::string(backupPath);
        line.overwrite = overwrite;
        line.maker = true;
        return line;
    }

    static CommandLine Undo(std::string_view path)
    {
        CommandLine line;
        line.action = CommandAction::Undo;
        line.undoPath = std::string(path);
        return line;
    }

    // The lines of a UTF-8 report after its head, up to the end.
    static std::vector<std::string> ReportBody(const std::string& report)
    {
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = report.find("\r\n", start)) != std::string::npos; start = end + 2) {
            lines.push_back(report.substr(start, end - start));
        }
        const auto blank = std::find(lines.begin(), lines.end(), "");
        return blank == lines.end() ? std::vector<std::string>{} : std::vector<std::string>(blank + 1, lines.end());
    }

    sim::SimConsole console;
};

// Catches a preview that names a key a run would not remove or misses one it would: the user's
// maker key named again through HKEY_USERS (no identity check where the preview stands in for
// the export and delete), the maker pass left out, or the stays written among the removals
// instead of after them.
TEST_F(CommandLineRun, ListNamesExactlyWhatTheRunThenRemovesAndTouchesNothing)
{
    InstallController();
    const std::string before = Registry().Dump();

    EXPECT_EQ(RunLine(List(std::string(kReport))), ToInt(ExitCode::Done));
    EXPECT_EQ(Registry().Dump(), before);
    EXPECT_TRUE(sim.processes().CommandLines().empty());
    EXPECT_FALSE(Files().Exists("C:\\REGISTRY"));
    EXPECT_FALSE(Files().Exists(kLogPath));
    const std::vector<std::string> listed = console.Lines();

    const auto report = Files().Contents(kReport);
    ASSERT_TRUE(report);
    EXPECT_TRUE(report->starts_with("\xEF\xBB\xBFHivetidy 1.0.0.0 - Vorschau\r\nRechner: WERKSTATT-PC\r\n"
                                    "Datum: 2026-12-09 07:30:00\r\nInstallationsordner: C:\\Programme ("))
        << *report;
    EXPECT_EQ(ReportBody(*report), listed);

    EXPECT_EQ(RunLine(Auto()), ToInt(ExitCode::Partial)); // the shared library stays
    std::vector<std::string> logged;
    for (const std::string& line : LoggedKeys()) {
        logged.push_back(sim.system().FromAnsi(line));
    }
    EXPECT_EQ(logged, listed);
    EXPECT_EQ(listed.size(), 17u) << ::testing::PrintToString(listed);
}

// Catches the console left silent or a summary that counts what the outcome does not hold.
TEST_F(CommandLineRun, AutoTellsEachKeyAndClosesWithTheCountsAndTheFiles)
{
    AddClass(kTool, "C:\\Programme\\OMX\\BIN\\werkzeug64.dll", "", std::string(kSharedLib));
    AddTypeLib(kSharedLib, "C:\\Programme\\OMX\\LIB\\werkzeug.tlb");
    Registry().SetString(std::string(kTypeLib) + std::string(kSharedLib) + "\\1.0\\0\\win64", "",
                         "C:\\Program Files\\Fremd\\werkzeug64.tlb");

    EXPECT_EQ(RunLine(Auto()), ToInt(ExitCode::Partial));
    EXPECT_EQ(console.Lines(), (std::vector<std::string>{
                                   "[HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kTool) + "]",
                                   "Geh\u00f6rt auch anderer Software: HKEY_CLASSES_ROOT\\TypeLib\\" + std::string(kSharedLib),
                                   "Gel\u00f6scht: 1 Schl\u00fcssel.",
                                   "Geblieben: 1 Schl\u00fcssel.",
                                   "Sicherungskopie: C:\\Service\\PC-07.reg",
                                   "L\u00f6schprotokoll: C:\\REGISTRY\\HIVETIDY.BAK",
                               }));
    EXPECT_TRUE(sim.dialogs().MessageBoxesShown().empty());
    EXPECT_TRUE(sim.dialogs().SaveDialogsShown().empty());
}

// A key or tree of the controller's that is there but cannot be opened, and how /auto ends over it.
struct UnopenableRow {
    const char* name;
    std::string_view key;
    ExitCode code;
    std::string_view told; // a line of the console, once
};

class Unopenable : public CommandLineRun, public ::testing::WithParamInterface<UnopenableRow> {};

// Each row catches such a key counted as not there: the 32-bit view's class tree passed over in
// silence (code 0) where the native one ends the run with 2, or named as the native one; a maker
// key of any hive left out of the count instead of told as a key that stays (code 1), or told
// twice where the user's hive is met again through HKEY_USERS.
const UnopenableRow kUnopenableRows[] = {
    {"NativeClassTree", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID", ExitCode::FailedBeforeDeletion,
     "Der Schl\u00fcssel HKEY_CLASSES_ROOT\\CLSID kann nicht gelesen werden. Der Bereinigungslauf wurde abgebrochen."},
    {"ThirtyTwoBitClassTree", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\WOW6432Node\\CLSID", ExitCode::FailedBeforeDeletion,
     "Der Schl\u00fcssel HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID kann nicht gelesen werden. Der Bereinigungslauf wurde "
     "abgebrochen."},
    {"UsersMakerKey", kMakerUser, ExitCode::Partial, "Nicht zu \u00f6ffnen: HKEY_CURRENT_USER\\Software\\ORVA Roboter GmbH"},
    {"ThirtyTwoBitMakerKey", kMaker32, ExitCode::Partial,
     "Nicht zu \u00f6ffnen: HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\ORVA Roboter GmbH"},
    {"AnotherUsersMakerKey", "HKEY_USERS\\S-1-5-21-42\\Software\\ORVA Roboter GmbH", ExitCode::Partial,
     "Nicht zu \u00f6ffnen: HKEY_USERS\\S-1-5-21-42\\Software\\ORVA Roboter GmbH"},
    // The application paths of either view that are there but cannot be opened: a tree that cannot
    // be read, the run going on with the rest (code 1), where they were passed over in silence.
    {"NativeAppPathsTree", std::string_view(kAppPaths).substr(0, kAppPaths.size() - 1), ExitCode::Partial,
     "Nicht lesbar: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths"},
    {"ThirtyTwoBitAppPathsTree", std::string_view(kAppPaths32).substr(0, kAppPaths32.size() - 1), ExitCode::Partial,
     "Nicht lesbar: HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths"},
};

TEST_P(Unopenable, IsToldAndCountsInTheExitCode)
{
    InstallController();
    Registry().DenyOpen(GetParam().key);
    const std::string before = Registry().Dump();

    EXPECT_EQ(RunLine(Auto()), ToInt(GetParam().code));

    const std::vector<std::string> lines = console.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), std::string(GetParam().told)), 1) << ::testing::PrintToString(lines);
    const auto unopenable = std::count_if(lines.begin(), lines.end(),
                                          [](const std::string& line) { return line.starts_with("Nicht zu \u00f6ffnen: "); });
    EXPECT_EQ(unopenable, GetParam().told.starts_with("Nicht zu \u00f6ffnen: ") ? 1 : 0)
        << ::testing::PrintToString(lines);
    EXPECT_TRUE(Registry().KeyExists(GetParam().key));
    if (GetParam().code == ExitCode::FailedBeforeDeletion) {
        EXPECT_EQ(Registry().Dump(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(EachKey, Unopenable, ::testing::ValuesIn(kUnopenableRows),
                         [](const ::testing::TestParamInfo<UnopenableRow>& info) { return std::string(info.param.name); });

// Catches a backup written into a folder made on the fly, or an earlier backup replaced without
// /overwrite, or the /overwrite flag read the wrong way round.
TEST_F(CommandLineRun, AutoTakesOnlyABackupInAFolderThatIsThereAndReplacesOneOnlyWhenTold)
{
    AddClass(kTool, "C:\\Programme\\OMX\\BIN\\werkzeug64.dll");
    const std::string before = Registry().Dump();

    EXPECT_EQ(RunLine(Auto("C:\\Servise\\PC-07.reg")), ToInt(ExitCode::FailedBeforeDeletion));
    EXPECT_EQ(Registry().Dump(), before);
    EXPECT_FALSE(Files().Exists("C:\\Servise"));
    ASSERT_FALSE(console.Lines().empty());
    EXPECT_NE(console.Lines().front().find("C:\\Servise"), std::string::npos);

    Files().WriteFile(kServiceBackup, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vorher]\r\n");
    EXPECT_EQ(RunLine(Auto()), ToInt(ExitCode::FailedBeforeDeletion));
    EXPECT_EQ(Registry().Dump(), before);
    EXPECT_EQ(*Files().Contents(kServiceBackup), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vorher]\r\n");

    EXPECT_EQ(RunLine(Auto(kServiceBackup, true)), ToInt(ExitCode::Done));
    EXPECT_FALSE(Registry().KeyExists(std::string(kClsid) + std::string(kTool)));
}

constexpr std::string_view kEarlierBackup = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vorher]\r\n";

// A file named from a current folder as a command line may name it, and the full path that is.
struct Spelling {
    const char* cwd;
    const char* backup;
    const char* full;
};

// One row per spelling of the earlier backup C:\Service\PC-07.reg, the program started in cwd.
// Each catches a check that looks at another file than the run then writes: "C:/..." or "C:x"
// checked as <current folder>\<whole value>, the alias or the trailing dot not resolved. The
// refusal names the file once, in its full long spelling, and the run's stage does not add "Der
// Ordner der Sicherungskopie kann nicht geöffnet werden." after it.
TEST_F(CommandLineRun, AnEarlierBackupIsKeptWithoutOverwriteUnderEverySpelling)
{
    Files().AddDirectory("C:\\Service\\Alte Laeufe", std::string("ALTELA~1"));
    AddClass(kTool, "C:\\Programme\\OMX\\BIN\\werkzeug64.dll");
    const std::string before = Registry().Dump();
    const Spelling rows[] = {
        {"C:\\", "C:/Service/PC-07.reg", "C:\\Service\\PC-07.reg"},
        {"C:\\Service", "C:PC-07.reg", "C:\\Service\\PC-07.reg"},
        {"C:\\Service", "PC-07.reg", "C:\\Service\\PC-07.reg"},
        {"C:\\REGISTRY", "..\\Service\\.\\PC-07.reg", "C:\\Service\\PC-07.reg"},
        {"C:\\", "c:\\service\\pc-07.REG", "C:\\Service\\PC-07.reg"},
        {"C:\\", "C:\\Service\\PC-07.reg. ", "C:\\Service\\PC-07.reg"},
        {"C:\\", "C:\\Service\\ALTELA~1\\lauf.reg", "C:\\Service\\Alte Laeufe\\lauf.reg"},
    };
    Files().WriteFile(kServiceBackup, kEarlierBackup);
    Files().WriteFile("C:\\Service\\Alte Laeufe\\lauf.reg", kEarlierBackup);
    for (const auto& row : rows) {
        ASSERT_TRUE(Files().SetCurrentDirectory(row.cwd));
        console.Clear();
        EXPECT_EQ(RunLine(Auto(row.backup)), ToInt(ExitCode::FailedBeforeDeletion)) << row.backup;
        EXPECT_EQ(Files().Contents(row.full), kEarlierBackup) << row.backup;
        EXPECT_EQ(Registry().Dump(), before) << row.backup;
        ASSERT_FALSE(console.Lines().empty());
        EXPECT_EQ(console.Lines()[0], "Die Sicherungskopie " + std::string(row.full) +
                                          " ist schon vorhanden. Mit /overwrite wird sie ersetzt.");
        EXPECT_EQ(std::count(console.Lines().begin(), console.Lines().end(),
                             std::string(FailureText(RunStage::ChoosingBackup))),
                  0)
            << row.backup;
    }
    EXPECT_TRUE(sim.processes().CommandLines().empty());
}

// One row per spelling of the run's own files, with /overwrite. Catches /auto without the check
// that the backup is none of them (the removal log replaced, exit 2 lost; or hlp.reg taken, every
// key staying, exit 1), or a check that compares the spelling as typed.
TEST_F(CommandLineRun, TheRunsOwnFilesAreRefusedAsTheBackupUnderEverySpelling)
{
    AddClass(kTool, "C:\\Programme\\OMX\\BIN\\werkzeug64.dll");
    Files().WriteFile(kLogPath, "vorheriges Protokoll");
    const std::string before = Registry().Dump();
    const Spelling rows[] = {
        {"C:\\", "C:\\REGISTRY\\HIVETIDY.BAK", "C:\\REGISTRY\\HIVETIDY.BAK"},
        {"C:\\", "c:\\registry\\hlp.reg", "C:\\REGISTRY\\hlp.reg"},
        {"C:\\", "C:/Registry/Hivetidy.bak", "C:\\REGISTRY\\HIVETIDY.BAK"},
        {"C:\\REGISTRY", "C:hlp.reg", "C:\\REGISTRY\\hlp.reg"},
        {"C:\\Service", "..\\registry\\HIVETIDY.BAK..", "C:\\REGISTRY\\HIVETIDY.BAK"},
        {"C:\\Service", "\\REGISTRY\\HLP.REG", "C:\\REGISTRY\\HLP.REG"},
        // The backup record and the copy Undo imports: a backup in their place would lose every
        // earlier run's notes, or be overwritten by the next Undo.
        {"C:\\", "c:\\registry\\hivetidy.sig", "C:\\REGISTRY\\hivetidy.sig"},
        {"C:\\REGISTRY", "undo.reg", "C:\\REGISTRY\\undo.reg"},
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(Files().SetCurrentDirectory(row.cwd));
        console.Clear();
        EXPECT_EQ(RunLine(Auto(row.backup, true)), ToInt(ExitCode::FailedBeforeDeletion)) << row.backup;
        EXPECT_EQ(Files().Contents(kLogPath), "vorheriges Protokoll") << row.backup;
        EXPECT_EQ(Registry().Dump(), before) << row.backup;
        ASSERT_FALSE(console.Lines().empty());
        EXPECT_EQ(console.Lines()[0], "Die Datei " + std::string(row.full) +
                                          " braucht das Programm selbst; die Sicherungskopie braucht einen "
                                          "anderen Namen.");
    }
    EXPECT_TRUE(sim.processes().CommandLines().empty());
}

// Catches /auto taking drive C:'s current folder for "C:\x.reg" (a drive-relative path misread),
// and a console that names the backup as typed instead of where it is.
TEST_F(CommandLineRun, ABackupAtTheDrivesRootIsWrittenThereWhateverTheCurrentFolder)
{
    AddClass(kTool, "C:\\Programme\\OMX\\BIN\\werkzeug64.dll");
    ASSERT_TRUE(Files().SetCurrentDirectory("C:\\Service"));

    EXPECT_EQ(RunLine(Auto("C:\\x.reg")), ToInt(ExitCode::Done));
    EXPECT_TRUE(Files().Exists("C:\\x.reg"));
    EXPECT_FALSE(Files().Exists("C:\\Service\\x.reg"));
    EXPECT_THAT(console.Lines(), ::testing::Contains("Sicherungskopie: C:\\x.reg"));
}

// Catches a report that replaces an existing file without /overwrite, a backup (either editor's
// head) or the run's own file even with it, a check made on the spelling as typed, and a report
// that cannot be written ending with 1 (partial) instead of 2.
TEST_F(CommandLineRun, AReportReplacesOnlyAnEarlierReportAndOnlyWithOverwrite)
{
    AddClass(kTool, "C:\\Programme\\OMX\\BIN\\werkzeug64.dll");
    const std::string version5 = Utf16ToLeBytes(u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n");
    Files().WriteFile(kReport, "alter Bericht");
    Files().WriteFile(kServiceBackup, kEarlierBackup);
    Files().WriteFile("C:\\Service\\PC-08.reg", version5);
    Files().WriteFile(kLogPath, "vorheriges Protokoll");
    const auto withOverwrite = [](std::string path) {
        CommandLine line = List(std::move(path));
        line.overwrite = true;
        return line;
    };

    EXPECT_EQ(RunLine(List("c:/service/pc-07.TXT")), ToInt(ExitCode::FailedBeforeDeletion));
    EXPECT_EQ(Files().Contents(kReport), "alter Bericht");
    EXPECT_EQ(console.Lines(), std::vector<std::string>{"Der Bericht C:\\Service\\PC-07.txt ist schon vorhanden. "
                                                        "Mit /overwrite wird er ersetzt."});

    for (const std::string_view refused : {"C:/Service/PC-07.reg", "C:\\Service\\PC-08.reg.", "c:\\registry\\hivetidy.bak"}) {
        console.Clear();
        EXPECT_EQ(RunLine(withOverwrite(std::string(refused))), ToInt(ExitCode::FailedBeforeDeletion)) << refused;
        ASSERT_EQ(console.Lines().size(), 1u) << refused;
    }
    EXPECT_EQ(console.Lines()[0], "Die Datei C:\\REGISTRY\\HIVETIDY.BAK braucht das Programm selbst; der Bericht "
                                  "braucht einen anderen Namen.");
    EXPECT_EQ(Files().Contents(kServiceBackup), kEarlierBackup);
    EXPECT_EQ(Files().Contents("C:\\Service\\PC-08.reg"), version5);
    EXPECT_EQ(Files().Contents(kLogPath), "vorheriges Protokoll");

    EXPECT_EQ(RunLine(withOverwrite(std::string(kReport))), ToInt(ExitCode::Done));
    EXPECT_TRUE(Files().Contents(kReport)->starts_with("\xEF\xBB\xBFHivetidy"));

    Files().FailCreate("C:\\Service\\neu.txt");
    console.Clear();
    EXPECT_EQ(RunLine(List("C:/Service/neu.txt")), ToInt(ExitCode::FailedBeforeDeletion));
    EXPECT_EQ(console.Lines().back(), "Der Bericht C:\\Service\\neu.txt kann nicht geschrieben werden.");
}

// Catches /undo handing the editor the name as typed: the editor runs in the system folder and
// finds nothing there, and the program says "Importiert" over a registry that stayed as it was.
TEST_F(CommandLineRun, UndoOfANameRelativeToTheCurrentFolderImportsThatFile)
{
    InstallController();
    const std::string before = Registry().Dump();
    ASSERT_EQ(RunLine(Auto()), ToInt(ExitCode::Partial));
    ASSERT_NE(Registry().Dump(), before);

    ASSERT_TRUE(Files().SetCurrentDirectory("C:\\Service"));
    EXPECT_EQ(RunLine(Undo("PC-07.reg")), ToInt(ExitCode::Done));
    EXPECT_EQ(Registry().Dump(), before);
}

// Catches an Undo that imports whatever file it is given (a text file, a missing one, a version-5
// header without its byte-order mark), or one that asks the editor for a confirmation nobody gives.
TEST_F(CommandLineRun, UndoImportsOnlyARegistryExportAndRestoresTheRun)
{
    InstallController();
    const std::string before = Registry().Dump();
    Files().WriteFile("C:\\Service\\notiz.txt", "Bitte nicht l\u00f6schen\r\n");
    Files().WriteFile("C:\\Service\\ohne-bom.reg", "Windows Registry Editor Version 5.00\r\n");
    for (const std::string_view refused : {"C:\\Service\\notiz.txt", "C:\\Service\\fehlt.reg", "C:\\Service\\ohne-bom.reg"}) {
        EXPECT_EQ(RunLine(Undo(refused)), ToInt(ExitCode::FailedBeforeDeletion)) << refused;
    }
    EXPECT_TRUE(sim.processes().CommandLines().empty());

    ASSERT_EQ(RunLine(Auto()), ToInt(ExitCode::Partial));
    ASSERT_NE(Registry().Dump(), before);
    EXPECT_EQ(RunLine(Undo(kServiceBackup)), ToInt(ExitCode::Done));
    EXPECT_EQ(sim.processes().CommandLines().back(), "regedit.exe /s \"C:\\REGISTRY\\UNDO.REG\"");
    EXPECT_EQ(Registry().Dump(), before);
}

// Catches the lock taken after the first step of the run, let go at the end of the window's run
// (a local holder instead of the program's own), or not asked for by /auto or /undo.
TEST_F(CommandLineRun, ASecondRunWhileOneHoldsTheMachineEndsWithCodeFourHavingTouchedNothing)
{
    AddClass(kTool, "C:\\Programme\\OMX\\BIN\\werkzeug64.dll");
    const std::string before = Registry().Dump();
    {
        const auto other = sim.system().TakeRunLock();
        ASSERT_TRUE(other);
        Load();
        sim.dialogs().QueueMessageBoxAnswer(1); // OK
        EXPECT_TRUE(Press(Control::Command1));
        EXPECT_EQ(sim.system().ExitCode(), ToInt(ExitCode::AnotherRunInProgress));
        ASSERT_EQ(sim.dialogs().MessageBoxesShown().size(), 1u);
        EXPECT_TRUE(sim.dialogs().MessageBoxesShown()[0].text.starts_with(
            "Ein anderer Bereinigungslauf ist auf diesem Rechner im Gang."));
        EXPECT_TRUE(sim.dialogs().SaveDialogsShown().empty());
        EXPECT_FALSE(Files().Exists("C:\\REGISTRY"));

        EXPECT_EQ(RunLine(Auto()), ToInt(ExitCode::AnotherRunInProgress));
        EXPECT_EQ(RunLine(Undo(kServiceBackup)), ToInt(ExitCode::AnotherRunInProgress));
        EXPECT_EQ(Registry().Dump(), before);
        EXPECT_TRUE(sim.processes().CommandLines().empty());
        EXPECT_EQ(console.Lines().front(),
                  "Ein anderer Bereinigungslauf ist auf diesem Rechner im Gang. Es wurde nichts ver\u00e4ndert.");
    }

    // A window whose run is over still holds the machine until it is closed.
    Form1 window(platform);
    Window().SetEvents(&window);
    window.Form_Load();
    sim.dialogs().QueueSave(std::string(kBackupPath));
    ASSERT_FALSE(Press(Control::Command1));
    EXPECT_EQ(RunLine(Auto()), ToInt(ExitCode::AnotherRunInProgress));
    EXPECT_TRUE(Press(Control::Command2));
    EXPECT_FALSE(sim.system().RunLocked());
}

// One row per ending. Catches a failure counted by the keys stayed instead of the keys removed,
// a key removed in part taken for a whole one, or an unreadable tree not counted as partial.
TEST(ExitCodeOf, EachEndingHasItsCode)
{
    const auto removed = KeyOutcome::Of(KeyOutcome::Kind::Removed, "HKEY_CLASSES_ROOT\\A");
    const auto inPart = KeyOutcome::Of(KeyOutcome::Kind::RemovedInPart, "HKEY_CLASSES_ROOT\\B");
    const auto stayed = KeyOutcome::Stay("HKEY_CLASSES_ROOT\\C", StayReason::ExportNotMade);
    struct Row {
        std::vector<KeyOutcome> keys;
        bool treeUnreadable;
        bool failed;
        ExitCode expected;
    };
    const std::vector<Row> rows{
        {{}, false, false, ExitCode::Done},
        {{removed, KeyOutcome::Of(KeyOutcome::Kind::NotThere)}, false, false, ExitCode::Done},
        {{removed, stayed}, false, false, ExitCode::Partial},
        {{inPart}, false, false, ExitCode::Partial},
        {{removed}, true, false, ExitCode::Partial},
        {{stayed}, false, true, ExitCode::FailedBeforeDeletion},
        {{}, false, true, ExitCode::FailedBeforeDeletion},
        {{stayed, inPart}, false, true, ExitCode::FailedAfterDeletion},
        {{removed}, false, true, ExitCode::FailedAfterDeletion},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        RunOutcome outcome;
        for (const KeyOutcome& key : rows[i].keys) {
            outcome.Add(key);
        }
        if (rows[i].treeUnreadable) {
            outcome.TreeUnreadable("HKEY_CLASSES_ROOT\\TypeLib");
        }
        EXPECT_EQ(ExitCodeOf(outcome, rows[i].failed), rows[i].expected) << "row " << i;
    }
}

} // namespace
} // namespace hivetidy::testing
