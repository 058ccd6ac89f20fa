#include "app/CommandLineRun.h"

#include "files/UserHives.h"

#include "app/ExitCode.h"
#include "files/BackupImport.h"
#include "files/KeyOutcome.h"
#include "files/WorkingFiles.h"
#include "passes/CleaningRun.h"
#include "passes/RunDriver.h"
#include "passes/RunEnding.h"
#include "shared/Failure.h"
#include "shared/Text.h"
#include "shared/Version.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace hivetidy {

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kAnotherRun =
    "Ein anderer Bereinigungslauf ist auf diesem Rechner im Gang. Es wurde nichts ver\u00e4ndert.";

// The folder part of a path ("" for a bare name) and the name in it. A drive root keeps its
// backslash, since "C:" alone is that drive's current folder.
std::pair<std::string, std::string> SplitPath(const std::string& path)
{
    const auto slash = path.rfind('\\');
    if (slash == std::string::npos) {
        return {"", path};
    }
    std::string folder = path.substr(0, slash);
    if (folder.empty() || (folder.size() == 2 && folder[1] == ':')) {
        folder += '\\';
    }
    return {folder, path.substr(slash + 1)};
}

// The command line's answers to the run's questions, and its lines on the console. It never
// shows a window or asks anyone: whoever started it may be a job that nobody watches.
class CommandLineDriver final : public RunDriver {
public:
    CommandLineDriver(const RunPlatform& platform, Console& console, const CommandLine& line)
        : m_platform(platform), m_console(console), m_line(line)
    {
    }

    // The backup's path is a full one already (WithFullPaths): folder and name come from it
    // alone, and the checks, the messages and the run all name that one file.
    std::string ChooseBackupFile() override
    {
        FileSystem& files = m_platform.files;
        const std::string& path = m_line.backupPath;
        const auto [folder, name] = SplitPath(path);
        if (name.empty()) {
            Refuse("Die Sicherungskopie braucht einen Dateinamen: " + path);
        }
        // The folder must be there already: a mistyped one would otherwise take the backup
        // somewhere nobody looks for it. The run writes the name into the current directory.
        if (!files.SetCurrentDirectory(folder)) {
            Refuse("Der Ordner der Sicherungskopie ist nicht vorhanden oder nicht zu \u00f6ffnen: " + folder);
        }
        if (IsRunFile(files, path)) {
            Refuse("Die Datei " + path + " braucht das Programm selbst; die Sicherungskopie braucht einen anderen Namen.");
        }
        // The earlier run's backup may be the only copy of what it removed.
        if (!m_line.overwrite && !files.FindFirst(path).empty()) {
            Refuse("Die Sicherungskopie " + path + " ist schon vorhanden. Mit /overwrite wird sie ersetzt.");
        }
        return name;
    }

    void Yield() override {}
    bool MakerKeysSelected() override { return m_line.maker; }
    void RunStarted() override {}
    void ExportBegins() override {}
    void ExportEnds() override {}

    void KeyDone(const KeyOutcome& key) override
    {
        if (key.kind == KeyOutcome::Kind::Stayed) {
            // A preview names what stays after all it would remove, as the log does.
            if (m_line.action == CommandAction::Auto) {
                Say(std::string(ReasonText(key.reason)) + ": " + key.name);
            }
            return;
        }
        Say("[" + key.name + "]");
    }

    void RunEnded(bool failed) override { m_failed = failed; }

    [[nodiscard]] bool Failed() const { return m_failed; }
    // The driver itself refused to go on and has said why; the run's stage adds nothing true.
    [[nodiscard]] bool Refused() const { return m_refused; }
    // The lines written so far, for the report.
    [[nodiscard]] const std::vector<std::string>& Said() const { return m_said; }

    void Say(const std::string& line)
    {
        m_said.push_back(line);
        m_console.WriteLine(line);
    }

private:
    [[noreturn]] void Refuse(const std::string& why)
    {
        m_refused = true;
        Say(why);
        throw Failure(why);
    }

    RunPlatform m_platform;
    Console& m_console;
    const CommandLine& m_line;
    bool m_failed = false;
    bool m_refused = false;
    std::vector<std::string> m_said;
};

// The report of a preview, UTF-8 with a byte-order mark and CR LF line ends: a head of
// "Name: value" lines (program and version, machine, date and time, installation folder, the
// counts), an empty line, then exactly the preview's lines: "[<key>]" for each key a run would
// remove, in its order, and where keys would stay the removal log's closing lines (an empty line,
// its head, its ruler, an empty line, "<reason>: <key>" each).
std::string ReportText(const RunPlatform& platform, CleaningRun& run, const std::vector<std::string>& lines)
{
    const SharedState& state = run.State();
    std::vector<std::string> head{
        "Hivetidy " + std::string(kVersion) + " - Vorschau",
        "Rechner: " + platform.system.ComputerName(),
        "Datum: " + platform.system.LocalDateTime(),
        "Installationsordner: C:\\" + state.InstallFolder + " (C:\\" + state.InstallFolderShort + ")",
        "Zu l\u00f6schen: " + CountOfKeys(run.Outcome().Removed()),
        "Bleiben: " + CountOfKeys(run.Outcome().Stayed()),
        "",
    };
    std::string text(kUtf8ByteOrderMark);
    head.insert(head.end(), lines.begin(), lines.end());
    for (const std::string& line : head) {
        text += line + "\r\n";
    }
    return text;
}

// Why the report may not be written to its file, or nullopt where it may. A backup is never
// replaced by a report, /overwrite or not: it may be the only copy of what a run removed.
std::optional<std::string> ReportRefusal(FileSystem& files, const CommandLine& line)
{
    const std::string& path = line.reportPath;
    if (IsRunFile(files, path)) {
        return "Die Datei " + path + " braucht das Programm selbst; der Bericht braucht einen anderen Namen.";
    }
    if (files.FindFirst(path).empty()) {
        return std::nullopt;
    }
    const auto contents = files.ReadAll(path);
    if (!contents) {
        return "Die Datei " + path + " ist schon vorhanden und kann nicht gelesen werden; der Bericht ersetzt sie nicht.";
    }
    if (IsRegistryExport(*contents)) {
        return "Die Datei " + path + " ist eine Sicherungskopie des Registrierungs-Editors; der Bericht ersetzt sie nicht.";
    }
    if (!line.overwrite) {
        return "Der Bericht " + path + " ist schon vorhanden. Mit /overwrite wird er ersetzt.";
    }
    return std::nullopt;
}

// Unloads what a killed run left loaded, and says so. With the run lock held.
void SayLeftovers(const RunPlatform& platform, Console& console)
{
    for (const std::string& said : LeftoverLines(UnloadLeftovers(platform.hives))) {
        console.WriteLine(said);
    }
}

int List(const RunPlatform& platform, Console& console, const CommandLine& line)
{
    if (!line.reportPath.empty()) {
        if (const auto refusal = ReportRefusal(platform.files, line)) {
            console.WriteLine(*refusal);
            return ToInt(ExitCode::FailedBeforeDeletion);
        }
    }
    // A preview loads the hives of the users who are not logged on, as a run does: one program at a
    // time. Where there are none, it writes nothing, the working folder and the lock included.
    std::unique_ptr<RunLock> lock;
    if (UserHivesWaiting(platform.components, platform.hives)) {
        lock = platform.system.TakeRunLock();
        if (!lock) {
            console.WriteLine(std::string(kAnotherRun));
            return ToInt(ExitCode::AnotherRunInProgress);
        }
        SayLeftovers(platform, console);
    }
    CommandLineDriver driver(platform, console, line);
    CleaningRun run(platform, driver);
    run.Preview();
    for (const std::string& closing : run.Outcome().ClosingLogLines()) {
        driver.Say(closing);
    }
    if (driver.Failed()) {
        console.WriteLine(std::string(FailureText(run.Stage())));
        return ToInt(ExitCode::FailedBeforeDeletion);
    }
    if (!line.reportPath.empty()) {
        auto report = platform.files.Create(line.reportPath);
        const bool written = report && report->Write(ReportText(platform, run, driver.Said())) && report->Close();
        if (!written) {
            console.WriteLine("Der Bericht " + line.reportPath + " kann nicht geschrieben werden.");
            return ToInt(ExitCode::FailedBeforeDeletion);
        }
    }
    return ToInt(ExitCode::Done);
}

int Auto(const RunPlatform& platform, Console& console, const CommandLine& line)
{
    const auto lock = platform.system.TakeRunLock();
    if (!lock) {
        console.WriteLine(std::string(kAnotherRun));
        return ToInt(ExitCode::AnotherRunInProgress);
    }
    SayLeftovers(platform, console);
    CommandLineDriver driver(platform, console, line);
    CleaningRun run(platform, driver);
    run.Start();

    const RunEnding ending = EndingOf(run, driver.Failed());
    if (driver.Refused()) {
        console.WriteLine("Der Bereinigungslauf wurde abgebrochen.");
    } else if (driver.Failed()) {
        console.WriteLine(std::string(FailureText(run.Stage())) + " Der Bereinigungslauf wurde abgebrochen.");
    }
    for (const std::string& counted : ending.countLines) {
        console.WriteLine(counted);
    }
    if (ending.filesBroken) {
        console.WriteLine(std::string(kFilesBrokenText));
    }
    if (!ending.backupPath.empty()) {
        // The one full path, not the run's folder-and-name, which doubles a drive root's backslash.
        console.WriteLine("Sicherungskopie: " + line.backupPath);
        console.WriteLine("L\u00f6schprotokoll: " + std::string(kRemovalLogPath));
    }
    const ExitCode code = ExitCodeOf(run.Outcome(), driver.Failed());
    for (const std::string& stayed : LeftLoadedLines(run.EndNow())) {
        console.WriteLine(stayed);
    }
    return ToInt(code);
}

int Undo(const RunPlatform& platform, Console& console, const CommandLine& line)
{
    const auto lock = platform.system.TakeRunLock();
    if (!lock) {
        console.WriteLine(std::string(kAnotherRun));
        return ToInt(ExitCode::AnotherRunInProgress);
    }
    SayLeftovers(platform, console);
    // Held from the reading to the end of the import, so that the bytes checked are the file's.
    const auto held = platform.files.HoldForReading(line.undoPath);
    // Silent, unlike the window's Undo: the editor's question and its closing message would each
    // wait for a person, and nobody may be there.
    const UndoResult result = ImportBackup(platform, held ? held->Contents() : std::nullopt, true);
    switch (result.ending) {
    case UndoResult::Ending::Refused:
        console.WriteLine(result.refusal + " " + line.undoPath);
        return ToInt(ExitCode::FailedBeforeDeletion);
    case UndoResult::Ending::EditorNotStarted:
        console.WriteLine("Der Registrierungs-Editor konnte nicht gestartet werden. Es wurde nichts importiert.");
        return ToInt(ExitCode::FailedBeforeDeletion);
    case UndoResult::Ending::Imported:
        break;
    }
    console.WriteLine("Importiert: " + line.undoPath);
    for (const std::string& shortfall : UndoShortfallLines(result)) {
        console.WriteLine(shortfall);
    }
    return ToInt(result.Complete() ? ExitCode::Done : ExitCode::Partial);
}

// The command line with each of its paths made the one full path that every check, message and
// the run itself then use; nullopt, said on the console, where a path names no file on a drive.
std::optional<CommandLine> WithFullPaths(FileSystem& files, Console& console, const CommandLine& given)
{
    CommandLine line = given;
    for (std::string* path : {&line.backupPath, &line.reportPath, &line.undoPath}) {
        if (path->empty()) {
            continue;
        }
        auto full = files.FullPathOf(*path);
        if (!full) {
            console.WriteLine("Der Pfad " + *path + " nennt keine Datei. "
                              "Es wurde nichts ver\u00e4ndert.");
            return std::nullopt;
        }
        *path = std::move(*full);
    }
    return line;
}

} // namespace

int RunFromCommandLine(const RunPlatform& platform, Console& console, const CommandLine& given)
{
    // Once, before anything looks at a file: "C:/x", "C:x", "x.reg.", "PROGRA~1" or another
    // letter case must not slip past a check that a later step, spelling it otherwise, ignores.
    const auto full = WithFullPaths(platform.files, console, given);
    if (!full) {
        return ToInt(ExitCode::FailedBeforeDeletion);
    }
    const CommandLine& line = *full;
    switch (line.action) {
    case CommandAction::List:
        return List(platform, console, line);
    case CommandAction::Auto:
        return Auto(platform, console, line);
    case CommandAction::Undo:
        return Undo(platform, console, line);
    case CommandAction::Window:
    case CommandAction::Usage:
        break;
    }
    return ToInt(ExitCode::BadCommandLine); // the caller's own to carry out
}

} // namespace hivetidy
