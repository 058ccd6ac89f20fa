// hivetidy.exe started with arguments, as a batch file on a USB stick or a job of a management tool
// starts it: no window ever appears, the lines go to the redirected output, the exit code tells
// the job how it went, and the registry and the files end as after the same run from the window.

#include "CommandLineStart.h"
#include "ControllerInstallation.h"
#include "Files.h"
#include "HivetidyTest.h"
#include "Polling.h"
#include "Registry.h"
#include "RunFiles.h"
#include "StandInEditor.h"
#include "Text.h"

namespace hivedrive {
namespace {

// A folder with a blank, as a USB stick's backups\%COMPUTERNAME% may be: the program must take the
// path whole from Windows' splitting of its command line.
constexpr wchar_t kBackupFolder[] = L"C:\\Sicherung PC 1";
constexpr wchar_t kBackupFile[] = L"C:\\Sicherung PC 1\\backup.reg";
constexpr wchar_t kReportFile[] = L"C:\\Sicherung PC 1\\vorschau.txt";

class CommandLine : public HivetidyTest {
protected:
    void SetUp() override
    {
        HivetidyTest::SetUp();
        ForgetStandInStarts();
    }

    void TearDown() override { ForgetStandInStarts(); }

    // The run's backup in the folder of its own, which a command-line run does not make.
    void MakeBackupFolder() { m_seeds.OwnFolder(kBackupFolder); }
};

// The key lines of the removal log, "[...]", in order.
std::vector<std::wstring> KeyLinesOfLog()
{
    return KeyLinesOf(SplitLines(FromAnsi(ReadBytes(kRemovalLogPath).value_or(std::string()))));
}

bool Exists(std::wstring_view path)
{
    return ::GetFileAttributesW(std::wstring(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Catches a /list that deletes, exports or logs as a run does (the preview sharing the run's
// removal step), a report or a console that names other keys, or in another order, than the run
// then removes, a path cut at its blank, and a window or a box shown to nobody.
TEST_F(CommandLine, ListNamesWhatAutoThenRemovesAndAutoEndsAsARunFromTheWindow)
{
    const ControllerInstallation installation = ControllerInstallation::Realistic();
    installation.Seed(m_seeds);
    const std::vector<std::wstring> removals = installation.ExpectedRemovals(true);
    MakeBackupFolder();
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();
    const std::string expectedBackup = ExpectedBackup(removals);

    // The report's path quoted whole, the backup's quoted after the colon: both as cmd passes them.
    const CommandLineOutcome list = RunHivetidyWith(L"/list \"/report:" + std::wstring(kReportFile) + L"\" /maker");
    EXPECT_EQ(list.exitCode, kDone) << Shown(list);
    EXPECT_TRUE(list.windowsSeen.empty()) << Shown(list);
    const auto listed = before.DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(listed.empty()) << "changed by /list:" << Listed(listed);
    EXPECT_FALSE(Exists(kWorkingFolder)) << "/list made the working folder";
    EXPECT_FALSE(Exists(kBackupFile));
    const std::optional<std::string> report = ReadBytes(kReportFile);
    ASSERT_TRUE(report) << "no report" << Shown(list);
    const std::vector<std::wstring> reportKeys = KeyLinesOf(SplitLines(FromUtf8(*report)));
    EXPECT_EQ(list.KeyLines(), reportKeys) << "the console and the report differ" << Shown(list);

    const CommandLineOutcome run = RunHivetidyWith(L"/auto /backup:\"" + std::wstring(kBackupFile) + L"\" /maker");
    EXPECT_EQ(run.exitCode, kDone) << Shown(run);
    EXPECT_TRUE(run.windowsSeen.empty()) << Shown(run);
    const auto differences = before.Without(removals).DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << Listed(differences);
    EXPECT_EQ(ReadBytes(kRemovalLogPath), ExpectedRemovalLog(removals));
    EXPECT_EQ(ReadBytes(kBackupFile), expectedBackup);
    EXPECT_FALSE(FileExists(kExportFilePath));
    EXPECT_EQ(reportKeys, KeyLinesOfLog()) << "the report:" << Listed(reportKeys);
    EXPECT_EQ(run.KeyLines(), KeyLinesOfLog()) << "the console:" << Shown(run);
}

// Catches a key that stays in silence on the command line: an exit code taken from "the run
// ended" rather than from what it removed (0 for a run that removed nothing because every export
// failed), or a failed export that still deletes.
TEST_F(CommandLine, AutoWithAnEditorThatRefusesEveryExportKeepsEveryKeyAndEndsWithOne)
{
    const std::optional<std::wstring> standIn = StandInEditor(NativeMachine());
    if (!standIn) {
        GTEST_SKIP() << "no " << NameOf(NativeMachine()) << " stand-in editor was built beside the driver (its "
                     << "MinGW-w64 compiler was missing when the build was configured)";
    }
    const ControllerInstallation installation = ControllerInstallation::OneOfEachKind();
    installation.Seed(m_seeds);
    const std::vector<std::wstring> removals = installation.ExpectedRemovals(false);
    MakeBackupFolder();
    const TrueExports exports(removals);
    // As where policy forbids registry editing: the editor runs and exports nothing.
    const ScopedEnvironmentVariable cut(L"HIVEDRIVE_CUT", L"none");
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();
    const ReplacedRegistryEditor replaced(*standIn);

    const CommandLineOutcome run = RunHivetidyWith(L"/auto /backup:\"" + std::wstring(kBackupFile) + L"\"");

    EXPECT_EQ(run.exitCode, kPartial) << Shown(run);
    EXPECT_TRUE(run.windowsSeen.empty()) << Shown(run);
    const auto differences = before.DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << "removed without a whole export:" << Listed(differences);
    std::vector<StayedKey> stayed;
    for (const std::wstring& key : removals) {
        stayed.push_back({kExportFailed, key});
    }
    EXPECT_EQ(ReadBytes(kRemovalLogPath), ExpectedRemovalLog({}, stayed));
    EXPECT_EQ(ReadBytes(kBackupFile), ExportHeader());
    EXPECT_FALSE(StandInStarts().empty()) << "the stand-in never ran";
}

// Catches a backup folder made on the fly (a typo in a job's path would scatter backups over the
// disk) or a run that starts deleting before it has found that it cannot save.
TEST_F(CommandLine, AutoWithABackupFolderThatIsNotThereDeletesNothingAndEndsWithTwo)
{
    ControllerInstallation::OneOfEachKind().Seed(m_seeds);
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();
    const std::wstring missingFolder = L"C:\\Nicht vorhanden";

    const CommandLineOutcome run = RunHivetidyWith(L"/auto \"/backup:" + missingFolder + L"\\backup.reg\" /maker");

    EXPECT_EQ(run.exitCode, kFailedBeforeDeletion) << Shown(run);
    EXPECT_TRUE(run.windowsSeen.empty()) << Shown(run);
    EXPECT_FALSE(run.output.empty()) << "ended without saying why";
    EXPECT_FALSE(Exists(missingFolder));
    const auto differences = before.DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << Listed(differences);
}

// Catches the check for an earlier backup made on <current folder>\<whole value>, which a path
// with forward slashes escapes: the only copy of what the earlier run removed deleted and written
// anew, and the run ending with 0.
TEST_F(CommandLine, AutoOverAnEarlierBackupNamedWithForwardSlashesKeepsItDeletesNothingAndEndsWithTwo)
{
    ControllerInstallation::OneOfEachKind().Seed(m_seeds);
    MakeBackupFolder();
    const std::string earlier = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vorher]\r\n\"Wert\"=\"1\"\r\n";
    WriteBytes(kBackupFile, earlier);
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();

    const CommandLineOutcome run = RunHivetidyWith(L"/auto \"/backup:C:/Sicherung PC 1/backup.reg\" /maker");

    EXPECT_EQ(run.exitCode, kFailedBeforeDeletion) << Shown(run);
    EXPECT_TRUE(run.windowsSeen.empty()) << Shown(run);
    EXPECT_EQ(ReadBytes(kBackupFile), earlier);
    EXPECT_NE(run.output.find(ToUtf8(kBackupFile)), std::string::npos) << Shown(run);
    const auto differences = before.DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << Listed(differences);
}

// Catches an /undo that hands the backup to the editor without waiting for it (the job goes on
// to install while the import still runs, and the exit code says nothing of it), that imports
// another file, or whose editor asks in a box that nobody answers.
TEST_F(CommandLine, UndoRestoresTheRegistryByteForByte)
{
    ControllerInstallation::Realistic().Seed(m_seeds);
    MakeBackupFolder();
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();
    const CommandLineOutcome run = RunHivetidyWith(L"/auto /backup:\"" + std::wstring(kBackupFile) + L"\" /maker");
    ASSERT_EQ(run.exitCode, kDone) << Shown(run);
    ASSERT_FALSE(before.DifferencesTo(RegistrySnapshot::OfSoftware()).empty());

    const CommandLineOutcome undo = RunHivetidyWith(L"/undo:\"" + std::wstring(kBackupFile) + L"\"");

    EXPECT_EQ(undo.exitCode, kDone) << Shown(undo);
    EXPECT_TRUE(undo.windowsSeen.empty()) << Shown(undo);
    const auto differences = before.DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << Listed(differences);
}

// Catches /undo that imports a backup another process extended between /auto and /undo (a folder
// of C:\ or a stick that anybody can write to), or that says "done" when part of the file was
// left out: only what the run wrote is imported, and the exit code is not 0.
TEST_F(CommandLine, UndoImportsNothingThatAnotherProcessAddedToTheBackup)
{
    constexpr wchar_t kAddedKey[] = L"HKEY_CURRENT_USER\\Software\\HivetidyUntergeschoben";
    ControllerInstallation::OneOfEachKind().Seed(m_seeds);
    MakeBackupFolder();
    m_seeds.OwnKey(kAddedKey);
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();
    const CommandLineOutcome run = RunHivetidyWith(L"/auto /backup:\"" + std::wstring(kBackupFile) + L"\" /maker");
    ASSERT_EQ(run.exitCode, kDone) << Shown(run);
    WriteBytes(kBackupFile, ReadBytes(kBackupFile).value_or(std::string()) +
                                ToUtf16LeBytes(L"[" + std::wstring(kAddedKey) + L"]\r\n\"Debugger\"=\"cmd.exe\"\r\n\r\n"));

    const CommandLineOutcome undo = RunHivetidyWith(L"/undo:\"" + std::wstring(kBackupFile) + L"\"");

    EXPECT_EQ(undo.exitCode, kPartial) << Shown(undo);
    EXPECT_FALSE(KeyExists(kAddedKey)) << Shown(undo);
    EXPECT_NE(undo.output.find("nicht importiert"), std::string::npos) << Shown(undo);
    const auto differences = before.DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << Listed(differences);
}

// Catches /undo of a name relative to the folder it was started in checked there but imported
// from the registry editor's own folder: "done" with nothing restored.
TEST_F(CommandLine, UndoOfANameRelativeToItsFolderImportsThatFile)
{
    ControllerInstallation::OneOfEachKind().Seed(m_seeds);
    MakeBackupFolder();
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();
    const CommandLineOutcome run = RunHivetidyWith(L"/auto /backup:backup.reg /maker", kRunTimeout, kBackupFolder);
    ASSERT_EQ(run.exitCode, kDone) << Shown(run);
    ASSERT_TRUE(Exists(kBackupFile)) << Shown(run);

    const CommandLineOutcome undo = RunHivetidyWith(L"/undo:backup.reg", kRunTimeout, kBackupFolder);

    EXPECT_EQ(undo.exitCode, kDone) << Shown(undo);
    const auto differences = before.DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << Listed(differences);
}

// Catches a command-line run that does not take the lock the window's run holds, or takes it
// only once its backup is open: two runs would then share hlp.reg and the log.
TEST_F(CommandLine, AutoWhileTheWindowsRunHoldsTheLockTouchesNothingAndEndsWithFour)
{
    ControllerInstallation::OneOfEachKind().Seed(m_seeds);
    MakeBackupFolder();
    Hivetidy program = Hivetidy::Start();
    SaveDialog dialog = PressStart(program);
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();
    const std::optional<std::string> logBefore = ReadBytes(kRemovalLogPath);

    const CommandLineOutcome run = RunHivetidyWith(L"/auto /backup:\"" + std::wstring(kBackupFile) + L"\"");

    EXPECT_EQ(run.exitCode, kAnotherRunInProgress) << Shown(run);
    EXPECT_TRUE(run.windowsSeen.empty()) << Shown(run);
    EXPECT_FALSE(run.output.empty()) << "ended without saying why";
    EXPECT_FALSE(Exists(kBackupFile));
    EXPECT_EQ(ReadBytes(kRemovalLogPath), logBefore);
    const auto differences = before.DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << Listed(differences);

    CancelDialogAndAnswer(program, dialog, IDYES);
    EXPECT_TRUE(program.WaitForEnd(kEndTimeout));
}

struct BadLine {
    const wchar_t* arguments;
    const wchar_t* message;
};

// What reaches the job's log through Windows' splitting: the message of the parser for the first
// thing wrong, then the hint; UTF-8 with CR LF.
const BadLine kBadLines[] = {
    {L"/frobnicate", L"Unbekannter Schalter: /frobnicate."},
    // Not the usage and 0: a job whose command line went wrong must learn so.
    {L"/frobnicate /?", L"Unbekannter Schalter: /frobnicate."},
    {L"/auto /maker", L"Zu /auto fehlt /backup:DATEI, die Sicherungskopie des Laufs."},
    {L"/auto /backup:", L"Zu /backup fehlt der Wert: /backup:DATEI."},
    {L"/list /auto /backup:C:\\b.reg", L"Zwei Aufgaben auf einmal: /list und /auto. Es geht nur eine."},
    {L"/list /backup:\"C:\\Sicherung PC 1\\b.reg\"", L"Der Schalter /backup geh\u00f6rt nicht zu /list, nur zu /auto."},
};

// Catches a bad command line that opens the window (the job hangs), runs anyway with what could
// be read, ends with another code than 5, or whose message reaches the file in the ANSI code page
// or with bare LFs.
TEST_F(CommandLine, ABadCommandLineTouchesNothingSaysWhatWasWrongAndEndsWithFive)
{
    ControllerInstallation::OneOfEachKind().Seed(m_seeds);
    MakeBackupFolder();
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();

    for (const BadLine& row : kBadLines) {
        const CommandLineOutcome run = RunHivetidyWith(row.arguments, kWindowTimeout);
        EXPECT_EQ(run.exitCode, kBadCommandLine) << ToUtf8(row.arguments) << Shown(run);
        EXPECT_TRUE(run.windowsSeen.empty()) << ToUtf8(row.arguments) << Shown(run);
        EXPECT_EQ(run.output, ToUtf8(std::wstring(row.message) + L"\r\nhivetidy.exe /? zeigt die Verwendung.\r\n"))
            << ToUtf8(row.arguments);
    }
    EXPECT_FALSE(Exists(kWorkingFolder));
    EXPECT_FALSE(Exists(kBackupFile));
    const auto differences = before.DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << Listed(differences);
}

// Catches /? opening the window or a message box while the output is redirected, the usage
// written in the ANSI code page, and a usage without the switches or the exit codes.
TEST_F(CommandLine, UsageGoesToTheOutputWithEverySwitchAndExitCode)
{
    const CommandLineOutcome usage = RunHivetidyWith(L"/?", kWindowTimeout);

    EXPECT_EQ(usage.exitCode, kDone) << Shown(usage);
    EXPECT_TRUE(usage.windowsSeen.empty()) << Shown(usage);
    EXPECT_TRUE(usage.output.ends_with("\r\n")) << usage.output;
    std::wstring text;
    for (const std::wstring& line : usage.Lines()) {
        EXPECT_EQ(line.find(L'\n'), std::wstring::npos) << "a bare LF in:\n" << ToUtf8(line);
        text += line + L"\n";
    }
    for (const wchar_t* part : {L"/list", L"/report:", L"/maker", L"/auto", L"/backup:", L"/overwrite", L"/undo:",
                                L"/?", L"start \"\" /wait", L"%ERRORLEVEL%"}) {
        EXPECT_NE(text.find(part), std::wstring::npos) << ToUtf8(part) << " not in:\n" << usage.output;
    }
    for (const wchar_t* line : {L"  0  fertig", L"  1  zum Teil", L"  2  fehlgeschlagen, bevor etwas gel\u00f6scht wurde",
                                L"  3  fehlgeschlagen, nachdem Schl\u00fcssel gel\u00f6scht wurden", L"  4  ",
                                L"  5  Befehlszeile fehlerhaft"}) {
        EXPECT_NE(text.find(L"\n" + std::wstring(line)), std::wstring::npos) << ToUtf8(line) << " not in:\n"
                                                                             << usage.output;
    }
}

} // namespace
} // namespace hivedrive
