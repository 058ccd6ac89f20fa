#include "platform/sim/SimProcesses.h"

#include "platform/sim/RegFile.h"
#include "platform/sim/SimFileSystem.h"
#include "platform/sim/SimRegistry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hivetidy::sim {
namespace {

constexpr std::string_view kKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug";
constexpr std::string_view kExportFile = "c:\\registry\\hlp.reg";

class SimProcessesTest : public ::testing::Test {
protected:
    SimProcessesTest()
    {
        files.AddDirectory("C:\\REGISTRY", std::nullopt);
        registry.SetString(kKey, "", "Werkzeug");
        registry.SetString(std::string(kKey) + "\\Teil", "Gr\u00f6\u00dfe", "\u00e4");
    }

    // Starts the command line and waits for it; its exit code, nullopt when it did not start.
    std::optional<std::uint32_t> Run(std::string_view commandLine)
    {
        auto process = processes.Start(commandLine);
        if (!process) {
            return std::nullopt;
        }
        return process->Wait();
    }

    std::string Exported(ExportFormat format) { return *ExportKey(registry, kKey, format); }

    SimRegistry registry;
    SimFileSystem files;
    SimProcesses processes{registry, files};
};

TEST_F(SimProcessesTest, ExportWritesTheKeyWithEverythingBelowItInTheEditorsFormat)
{
    EXPECT_EQ(processes.RegistryEditorFormat(), ExportFormat::Version5);
    EXPECT_EQ(Run("regedit /e  c:\\registry\\hlp.reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug\""), 0u);
    EXPECT_EQ(files.Contents(kExportFile), Exported(ExportFormat::Version5));
    EXPECT_EQ(files.DurableContents(kExportFile), files.Contents(kExportFile));
    processes.SetExportFormat(ExportFormat::Version4);
    EXPECT_EQ(processes.RegistryEditorFormat(), ExportFormat::Version4);
    EXPECT_EQ(Run("regedit /e  c:\\registry\\hlp.reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug\""), 0u);
    EXPECT_EQ(files.Contents(kExportFile), Exported(ExportFormat::Version4));
}

TEST_F(SimProcessesTest, ExportTakesTheWordsHoweverTheyAreSpacedAndQuoted)
{
    for (const char* line : {"regedit /e c:\\registry\\hlp.reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug\"",
                             "  REGEDIT.EXE   /E\t\"c:\\registry\\hlp.reg\"    \"HKLM\\SOFTWARE\\Werkzeug\"  ",
                             "regedit /e c:\\registry\\hlp.reg HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug"}) {
        ASSERT_TRUE(files.Delete(kExportFile) || !files.Exists(kExportFile));
        EXPECT_EQ(Run(line), 0u) << line;
        EXPECT_TRUE(files.Exists(kExportFile)) << line;
    }
}

TEST_F(SimProcessesTest, ExportOfAMissingKeyWritesNoFileAndLeavesAnOldOneAsItWas)
{
    EXPECT_EQ(Run("regedit /e  c:\\registry\\hlp.reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Fehlt\""), 0u);
    EXPECT_FALSE(files.Exists(kExportFile));
    files.WriteFile(kExportFile, "alt");
    EXPECT_EQ(Run("regedit /e  c:\\registry\\hlp.reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Fehlt\""), 0u);
    EXPECT_EQ(Run("regedit /e  c:\\registry\\hlp.reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug\\\""), 0u);
    EXPECT_EQ(files.Contents(kExportFile), "alt");
}

TEST_F(SimProcessesTest, ImportReadsTheFileAndNotesWhetherItWasTaken)
{
    files.AddDirectory("C:\\some dir", std::nullopt);
    files.WriteFile("C:\\some dir\\backup.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Zur\xfc"
                                                "ck]\r\n\"a\"=\"b\"\r\n");
    EXPECT_EQ(Run("regedit.exe \"C:\\some dir\\backup.reg\""), 0u);
    EXPECT_TRUE(registry.KeyExists("HKCU\\Zur\u00fcck"));
    EXPECT_EQ(Run("regedit.exe \"C:\\some dir\\fehlt.reg\""), 0u);
    files.WriteFile("C:\\kaputt.reg", "kein Registrierungsformat");
    EXPECT_EQ(Run("regedit.exe C:\\kaputt.reg"), 0u);
    ASSERT_EQ(processes.Imports().size(), 3u);
    EXPECT_EQ(processes.Imports()[0].file, "C:\\some dir\\backup.reg");
    EXPECT_TRUE(processes.Imports()[0].succeeded);
    EXPECT_FALSE(processes.Imports()[1].succeeded);
    EXPECT_FALSE(processes.Imports()[2].succeeded);
}

TEST_F(SimProcessesTest, AnyOtherCommandLineFailsToStartUnlessATestProvidesTheProgram)
{
    // The silent import "regedit /s x.reg" is the editor's own (an unattended Undo uses it).
    for (const char* line : {"notepad.exe", "regedit", "regedit /x x.reg", "regedit /e x.reg", ""}) {
        EXPECT_EQ(processes.Start(line), nullptr) << line;
    }
    processes.SetOtherProgram([](const std::string& line) { return line == "notepad.exe" ? 3u : 1u; });
    EXPECT_EQ(Run("notepad.exe"), 3u);
    EXPECT_EQ(Run("regedit /x x.reg"), 1u);
}

TEST_F(SimProcessesTest, EveryCommandLineIsNotedAndProcessIdsCountUpFrom100)
{
    const auto first = processes.Start("regedit.exe C:\\a.reg");
    processes.FailStarts(true);
    EXPECT_EQ(processes.Start("regedit.exe C:\\b.reg"), nullptr);
    processes.FailStarts(false);
    const auto second = processes.Start("regedit.exe C:\\c.reg");
    EXPECT_EQ(first->Id(), 100u);
    EXPECT_EQ(second->Id(), 101u);
    EXPECT_EQ(processes.CommandLines(), (std::vector<std::string>{"regedit.exe C:\\a.reg", "regedit.exe C:\\b.reg",
                                                                  "regedit.exe C:\\c.reg"}));
    EXPECT_EQ(processes.Imports().size(), 2u); // the one that did not start imported nothing
}

TEST_F(SimProcessesTest, TheStartHookSeesTheMachineBeforeTheProgramRuns)
{
    bool fileThere = true;
    processes.SetStartHook([&](const std::string& line) {
        EXPECT_EQ(line, "regedit /e c:\\registry\\hlp.reg \"HKLM\\SOFTWARE\\Werkzeug\"");
        fileThere = files.Exists(kExportFile);
    });
    EXPECT_EQ(Run("regedit /e c:\\registry\\hlp.reg \"HKLM\\SOFTWARE\\Werkzeug\""), 0u);
    EXPECT_FALSE(fileThere);
    EXPECT_TRUE(files.Exists(kExportFile));
}

TEST_F(SimProcessesTest, AnExportHookDoesTheExportItselfOrLetsTheEditorsRunAfterIt)
{
    std::vector<std::string> seen;
    processes.SetExportHook([&](const std::string& file, const std::string& key) {
        seen.push_back(file + "|" + key);
        return true;
    });
    EXPECT_EQ(Run("regedit /e  c:\\registry\\hlp.reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug\""), 0u);
    EXPECT_EQ(seen, std::vector<std::string>{"c:\\registry\\hlp.reg|HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug"});
    EXPECT_FALSE(files.Exists(kExportFile));

    processes.SetExportHook([&](const std::string& file, const std::string&) {
        files.WriteFile(file, "vorher");
        return false;
    });
    EXPECT_EQ(Run("regedit /e  c:\\registry\\hlp.reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug\""), 0u);
    EXPECT_EQ(files.Contents(kExportFile), Exported(ExportFormat::Version5));
}

TEST_F(SimProcessesTest, AnEditorCanWriteAnotherFormatThanItReports)
{
    processes.SetExportFormat(ExportFormat::Version4);
    processes.SetWrittenFormat(ExportFormat::Version5);
    EXPECT_EQ(processes.RegistryEditorFormat(), ExportFormat::Version4);
    EXPECT_EQ(Run("regedit /e c:\\registry\\hlp.reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug\""), 0u);
    EXPECT_EQ(files.Contents(kExportFile), Exported(ExportFormat::Version5));
}

TEST_F(SimProcessesTest, AnExportThatCannotCreateItsFileWritesNothing)
{
    EXPECT_EQ(Run("regedit /e c:\\fehlt\\hlp.reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug\""), 0u);
    EXPECT_TRUE(files.ListFiles().empty());
    EXPECT_FALSE(processes.Export("c:\\fehlt\\hlp.reg", std::string(kKey)));
    EXPECT_TRUE(processes.Export(std::string(kExportFile), std::string(kKey)));
}

} // namespace
} // namespace hivetidy::sim
