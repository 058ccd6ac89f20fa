// A temporary export file that a user put in the working folder before the run is never taken for
// a key's export. Held open so that it cannot be deleted, it keeps every key: no export of the
// run's own can be made in its place. Not held, it is deleted and the run goes as ever. Either way
// none of its sections reaches the backup that Undo imports as administrator.

#include "ControllerInstallation.h"
#include "DriverError.h"
#include "Files.h"
#include "HivetidyTest.h"
#include "Polling.h"
#include "Registry.h"
#include "RunFiles.h"
#include "Text.h"
#include "UniqueHandle.h"

#include <algorithm>

namespace hivedrive {
namespace {

// What Undo would write into the registry, were the section imported: a debugger started in
// place of notepad.exe, for every user, by a program of the user's choice.
constexpr wchar_t kPlantedSectionKey[] =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\notepad.exe";
constexpr wchar_t kPlantedSectionValues[] = L"\"Debugger\"=\"C:\\\\Users\\\\Public\\\\x.exe\"\r\n\r\n";

enum class Planted {
    ExportWithAnExtraSection, // the real export of the run's first key, and a section of another key
    StaleExport,              // the real export of the run's first key, as it is
};

struct PlantedFile {
    const char* testName;
    Planted content;
    bool heldOpen; // by the user, sharing reading only, for the whole run
};

const PlantedFile kPlantedFiles[] = {
    {"WithAnExtraSectionHeldOpen", Planted::ExportWithAnExtraSection, true},
    {"StaleHeldOpen", Planted::StaleExport, true},
    {"WithAnExtraSectionNotHeld", Planted::ExportWithAnExtraSection, false},
};

void PrintTo(const PlantedFile& file, std::ostream* out)
{
    *out << file.testName;
}

class PlantedExport : public HivetidyTest, public ::testing::WithParamInterface<PlantedFile> {};

TEST_P(PlantedExport, NeverStandsInForAKeysExport)
{
    const PlantedFile& row = GetParam();
    const ControllerInstallation installation = ControllerInstallation::OneOfEachKind();
    installation.Seed(m_seeds);
    const std::vector<std::wstring> removals = installation.ExpectedRemovals(false);
    ASSERT_FALSE(removals.empty());
    // While the planted file is held, no export of the run's own can be made: nothing goes, and
    // the log says why of each key.
    const std::vector<std::wstring> removed = row.heldOpen ? std::vector<std::wstring>{} : removals;
    std::vector<StayedKey> stayed;
    for (const std::wstring& key : row.heldOpen ? removals : std::vector<std::wstring>{}) {
        stayed.push_back({kExportFileBusy, key});
    }
    const std::string expectedBackup = ExpectedBackup(removed);
    std::string planted = RegistryEditorExport(removals.front());
    if (row.content == Planted::ExportWithAnExtraSection) {
        planted += ToUtf16LeBytes(L"[" + std::wstring(kPlantedSectionKey) + L"]\r\n" + kPlantedSectionValues);
    }
    CreateFolders(kWorkingFolder);
    WriteBytes(kExportFilePath, planted);
    UniqueFile held;
    if (row.heldOpen) {
        held.reset(::CreateFileW(std::wstring(kExportFilePath).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!held) {
            ThrowWin32Error(L"holding the planted export open", ::GetLastError());
        }
    }
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();

    Hivetidy program = Hivetidy::Start();
    RunToTheEnd(program);

    const std::string backup = ReadBytes(kBackupPath).value_or("");
    const std::vector<std::wstring> sections = SectionsOf(backup);
    EXPECT_TRUE(std::none_of(sections.begin(), sections.end(),
                             [](const std::wstring& section) { return EqualsIgnoreCase(section, kPlantedSectionKey); }))
        << "the planted section is in the backup";
    const auto differences = before.Without(removed).DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << Listed(differences);
    EXPECT_EQ(ReadBytes(kRemovalLogPath), ExpectedRemovalLog(removed, stayed));
    EXPECT_EQ(backup, expectedBackup);
    // Held, the file is as it was planted: never written through; else gone with the run's end.
    EXPECT_EQ(ReadBytes(kExportFilePath), row.heldOpen ? std::optional(planted) : std::nullopt);

    program.Window().Click(Control::Command2);
    EXPECT_TRUE(program.WaitForEnd(kEndTimeout));
}

std::string PlantedFileName(const ::testing::TestParamInfo<PlantedFile>& info)
{
    return info.param.testName;
}

INSTANTIATE_TEST_SUITE_P(EachFile, PlantedExport, ::testing::ValuesIn(kPlantedFiles), PlantedFileName);

} // namespace
} // namespace hivedrive
