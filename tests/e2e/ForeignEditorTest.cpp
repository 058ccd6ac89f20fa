// Only the system's own registry editor ever runs, and only an export it made whole is taken: a
// regedit.exe that a user put in a folder the program works in never runs, during the run nor at
// Undo; an editor whose export is cut short or never made, or a 32-bit one on 64-bit Windows,
// keeps every key, and the run tells the user so and logs each key with its reason.

#include "ControllerInstallation.h"
#include "DriverError.h"
#include "Files.h"
#include "HivetidyTest.h"
#include "Polling.h"
#include "Processes.h"
#include "Registry.h"
#include "RunFiles.h"
#include "StandInEditor.h"
#include "Text.h"
#include "Wow64.h"

#include <algorithm>

namespace hivedrive {
namespace {

// Every test starts with no record of the stand-in and leaves none behind.
class ForeignEditor : public HivetidyTest {
protected:
    void SetUp() override
    {
        HivetidyTest::SetUp();
        ForgetStandInStarts();
    }

    void TearDown() override { ForgetStandInStarts(); }
};

// The driver's current directory while it lives: a program finds a plain name there first after
// its own folder.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::wstring& folder)
    {
        wchar_t previous[MAX_PATH];
        const DWORD length = ::GetCurrentDirectoryW(MAX_PATH, previous);
        m_previous.assign(previous, length < MAX_PATH ? length : 0);
        if (!::SetCurrentDirectoryW(folder.c_str())) {
            ThrowWin32Error(L"SetCurrentDirectoryW " + folder, ::GetLastError());
        }
    }
    ~ScopedCurrentDirectory() { ::SetCurrentDirectoryW(m_previous.c_str()); }

    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

private:
    std::wstring m_previous;
};

// True when a program whose current directory is the folder, starting the editor by its plain
// name as Windows searches for it, would start the one planted there: what the program must never
// do. A real editor found instead ends after exporting a small key.
bool PlainNameStartsThePlantedEditor(const std::wstring& folder)
{
    const ScopedCurrentDirectory here(folder);
    const OwnedProcess editor = StartProcess(L"regedit.exe /e \"" + ScratchFolder(L"probe") +
                                             L"\\probe.reg\" \"HKEY_CURRENT_USER\\Environment\"");
    if (!WaitForEnd(editor, kWindowTimeout)) {
        ::TerminateProcess(editor.Process(), 1);
    }
    const bool planted = !StandInStarts().empty();
    ForgetStandInStarts();
    return planted;
}

// Where the user saves the backup: the program's current directory from then on.
struct BackupPlace {
    const char* testName;
    const wchar_t* folder;
};

const BackupPlace kBackupPlaces[] = {
    {"BackupInTheWorkingFolder", L"C:\\REGISTRY"},
    {"BackupInAFolderOfItsOwn", L"C:\\Sicherung"},
};

void PrintTo(const BackupPlace& place, std::ostream* out)
{
    *out << place.testName;
}

// The stand-in planted as regedit.exe in the working folder and in the backup's folder.
class PlantedEditor : public ForeignEditor, public ::testing::WithParamInterface<BackupPlace> {};

TEST_P(PlantedEditor, NeverRunsDuringTheRunNorAtUndo)
{
    // Of the machine the program would run it as: on 64-bit Windows it ends a 32-bit editor
    // before it runs, which would hide a start by the plain name.
    const std::optional<std::wstring> standIn = StandInEditor(NativeMachine());
    if (!standIn) {
        GTEST_SKIP() << "no " << NameOf(NativeMachine()) << " stand-in editor was built beside the driver (its "
                     << "MinGW-w64 compiler was missing when the build was configured)";
    }
    const std::wstring folder = GetParam().folder;
    const ControllerInstallation installation = ControllerInstallation::OneOfEachKind();
    installation.Seed(m_seeds);
    const std::vector<std::wstring> removals = installation.ExpectedRemovals(false);
    m_seeds.OwnFolder(std::wstring(kWorkingFolder));
    m_seeds.OwnFolder(folder);
    for (const std::wstring& place : {std::wstring(kWorkingFolder), folder}) {
        if (!::CopyFileW(standIn->c_str(), (place + L"\\regedit.exe").c_str(), FALSE)) {
            ThrowWin32Error(L"planting regedit.exe in " + place, ::GetLastError());
        }
    }
    ASSERT_TRUE(PlainNameStartsThePlantedEditor(folder)) << "the planted editor is out of a plain name's reach";
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();

    Hivetidy program = Hivetidy::Start();
    RunToTheEnd(program, folder + L"\\backup.reg");
    EXPECT_TRUE(StandInStarts().empty()) << "started during the run:" << Listed(StandInStarts());
    EXPECT_EQ(ReadBytes(kRemovalLogPath), ExpectedRemovalLog(removals));

    program.Window().Click(Control::Command3);
    ASSERT_TRUE(program.WaitForEndConfirmingEditor(kRunTimeout));
    EXPECT_TRUE(StandInStarts().empty()) << "started at Undo:" << Listed(StandInStarts());
    const auto differences = before.DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << "not restored by Undo:" << Listed(differences);
}

std::string BackupPlaceName(const ::testing::TestParamInfo<BackupPlace>& info)
{
    return info.param.testName;
}

INSTANTIATE_TEST_SUITE_P(EachPlace, PlantedEditor, ::testing::ValuesIn(kBackupPlaces), BackupPlaceName);

// The stand-in in the place of the system's editor: the machine it is built for, how it cuts
// short the real editor's export of each key, and the reason the log then gives for every key.
struct ReplacingEditor {
    const char* testName;
    bool native; // false: a 32-bit editor on 64-bit Windows
    // "section": the header and the key's section line; "values": half of the values; "sections":
    // every section but the last; "none": no export at all
    const wchar_t* cut;
    std::wstring_view reason;
};

// Between them the rows catch a reason taken from the wrong branch: a cut export logged as one
// that failed, or a missing one (never run, or run and refused) as one that was cut short.
const ReplacingEditor kReplacingEditors[] = {
    {"CuttingAfterTheSectionLine", true, L"section", kExportIncomplete},
    {"CuttingAfterHalfTheValues", true, L"values", kExportIncomplete},
    {"CuttingBeforeTheLastSection", true, L"sections", kExportIncomplete},
    // As where policy forbids registry editing: the editor runs and exports nothing.
    {"RefusingEveryExport", true, L"none", kExportFailed},
    // Ended by the program before it runs: no export.
    {"ThirtyTwoBitOn64BitWindows", false, L"section", kExportFailed},
};

void PrintTo(const ReplacingEditor& editor, std::ostream* out)
{
    *out << editor.testName;
}

class ReplacedEditor : public ForeignEditor, public ::testing::WithParamInterface<ReplacingEditor> {};

// The lines of a message box's text; CR LF or LF between them.
std::vector<std::wstring> LinesOf(std::wstring_view text)
{
    std::vector<std::wstring> lines;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(L'\n', start), text.size());
        std::wstring line(text.substr(start, end - start));
        if (!line.empty() && line.back() == L'\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// What the user is told of a run in which keys stayed and none was removed: the message box that
// ends it with the counts and the two files, and the finished window with Exit and without Undo.
void ExpectToldThatEveryKeyStayed(Form1Window& window, const std::optional<std::wstring>& message,
                                  std::size_t stayedCount)
{
    EXPECT_TRUE(message) << "the run ended without a message box titled Hivetidy";
    if (message) {
        EXPECT_TRUE(message->starts_with(L"Der Bereinigungslauf ist nur zum Teil gelungen.")) << ToUtf8(*message);
        const std::vector<std::wstring> lines = LinesOf(*message);
        for (const std::wstring& count : {std::wstring(L"Gel\u00f6scht: 0 Schl\u00fcssel."),
                                          L"Geblieben: " + std::to_wstring(stayedCount) + L" Schl\u00fcssel."}) {
            EXPECT_NE(std::find(lines.begin(), lines.end(), count), lines.end())
                << ToUtf8(count) << "\nnot a line of:\n" << ToUtf8(*message);
        }
        for (const std::wstring_view file : {std::wstring_view(kBackupPath), kRemovalLogPath}) {
            EXPECT_TRUE(ContainsIgnoreCase(*message, file)) << ToUtf8(file) << " is not named in:\n" << ToUtf8(*message);
        }
    }
    EXPECT_EQ(window.Caption(Control::Command2), L"E&xit");
    EXPECT_TRUE(window.IsEnabled(Control::Command2));
    EXPECT_FALSE(window.IsEnabled(Control::Command3)) << "Undo offered after a run that removed nothing";
    EXPECT_EQ(window.Caption(Control::Label2),
              L"Es wurde kein Schl\u00fcssel gel\u00f6scht. Die Gr\u00fcnde stehen im L\u00f6schprotokoll !");
}

// Catches a key that stays in silence: `if (!live || !SkipOnFailure(...)) return;` in
// ExportAndDeleteKey without the key and its reason recorded, so that the run ends as one that
// went well, with the Undo hint and an enabled Undo, and a log that names nothing.
TEST_P(ReplacedEditor, KeepsEveryKeyAndSaysWhy)
{
    const ReplacingEditor& row = GetParam();
    if (!row.native && !IsWindows64()) {
        GTEST_SKIP() << "32-bit Windows has no editor of another machine than its own";
    }
    const Machine machine = row.native ? NativeMachine() : Machine::X86;
    const std::optional<std::wstring> standIn = StandInEditor(machine);
    if (!standIn) {
        GTEST_SKIP() << "no " << NameOf(machine) << " stand-in editor was built beside the driver (its MinGW-w64 "
                     << "compiler was missing when the build was configured)";
    }
    const ControllerInstallation installation = ControllerInstallation::OneOfEachKind();
    installation.Seed(m_seeds);
    const std::vector<std::wstring> removals = installation.ExpectedRemovals(false);
    const TrueExports exports(removals);
    const ScopedEnvironmentVariable cut(L"HIVEDRIVE_CUT", row.cut);
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();
    const ReplacedRegistryEditor replaced(*standIn);

    Hivetidy program = Hivetidy::Start();
    const std::optional<std::wstring> message = RunToTheEndWithMessage(program);

    const auto differences = before.DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << "removed without a whole export:" << Listed(differences);
    std::vector<StayedKey> stayed;
    for (const std::wstring& key : removals) {
        stayed.push_back({row.reason, key});
    }
    EXPECT_EQ(ReadBytes(kRemovalLogPath), ExpectedRemovalLog({}, stayed));
    EXPECT_EQ(ReadBytes(kBackupPath), ExportHeader());
    ExpectToldThatEveryKeyStayed(program.Window(), message, removals.size());
    const std::vector<std::wstring> starts = StandInStarts();
    if (row.native) {
        // It did stand in: asked for every key that the real editor would have exported.
        for (const std::wstring& key : removals) {
            EXPECT_TRUE(std::any_of(starts.begin(), starts.end(),
                                    [&](const std::wstring& start) { return start.ends_with(L"\"" + key + L"\""); }))
                << ToUtf8(key) << "\nnot among the stand-in's starts:" << Listed(starts);
        }
    } else {
        EXPECT_TRUE(starts.empty()) << "the 32-bit editor ran:" << Listed(starts);
    }

    program.Window().Click(Control::Command2);
    EXPECT_TRUE(program.WaitForEnd(kEndTimeout));
}

std::string ReplacingEditorName(const ::testing::TestParamInfo<ReplacingEditor>& info)
{
    return info.param.testName;
}

INSTANTIATE_TEST_SUITE_P(EachEditor, ReplacedEditor, ::testing::ValuesIn(kReplacingEditors), ReplacingEditorName);

} // namespace
} // namespace hivedrive
