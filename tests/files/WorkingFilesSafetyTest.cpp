// What a standard user may have put into the working folder never decides what an elevated run
// deletes, saves or imports.

#include "support/ProgramFixture.h"

namespace hivetidy::testing {
namespace {

constexpr std::string_view kClassA = "{A0000000-0000-0000-0000-00000000000A}";
constexpr std::string_view kExport = "c:\\registry\\hlp.reg";

class WorkingFilesSafety : public ProgramFixture {
protected:
    WorkingFilesSafety()
    {
        Files().AddDirectory("C:\\Programme\\OMX\\BIN", std::nullopt);
        AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll");
    }
};

TEST_F(WorkingFilesSafety, AWorkingFolderThatLeadsElsewhereIsNotWorkedIn)
{
    Files().AddDirectory("C:\\Users\\Gast\\Ziel", std::nullopt);
    Files().AddLink("C:\\REGISTRY", "C:\\Users\\Gast\\Ziel");
    sim.dialogs().QueueMessageBoxAnswer(1);

    EXPECT_FALSE(Run());

    ASSERT_EQ(sim.dialogs().MessageBoxesShown().size(), 1u);
    const std::string& text = sim.dialogs().MessageBoxesShown()[0].text;
    EXPECT_NE(text.find("kein gew\u00f6hnlicher Ordner"), std::string::npos) << text;
    EXPECT_NE(text.find("Es wurde kein Schl\u00fcssel gel\u00f6scht."), std::string::npos) << text;
    EXPECT_TRUE(Registry().KeyExists(std::string(kClsid) + std::string(kClassA)));
    EXPECT_TRUE(sim.processes().CommandLines().empty());
    EXPECT_FALSE(Window().State(Control::Command3).enabled);
}

TEST_F(WorkingFilesSafety, AnExportFileSomeoneHoldsOpenKeepsEveryKey)
{
    Files().AddDirectory("C:\\REGISTRY", std::nullopt);
    Files().WriteFile(kExport, "untergeschoben");
    Files().OpenInOtherProcess(kExport, sim::FileUse::Read, sim::FileUse::Read | sim::FileUse::Write);
    sim.dialogs().QueueMessageBoxAnswer(1); // the key that stayed is told

    EXPECT_FALSE(Run());

    EXPECT_TRUE(Registry().KeyExists(std::string(kClsid) + std::string(kClassA)));
    const auto logged = LoggedKeys();
    EXPECT_TRUE(std::none_of(logged.begin(), logged.end(), [](const std::string& line) { return line.starts_with('['); }));
    EXPECT_TRUE(sim.processes().CommandLines().empty());
}

TEST_F(WorkingFilesSafety, TheBackupStaysTheRunsOwnUntilUndoHasImportedIt)
{
    EXPECT_FALSE(Run());
    EXPECT_TRUE(Files().IsHeld(kBackupPath));
    EXPECT_THROW(Files().WriteFile(kBackupPath, "\xFF\xFEuntergeschoben"), std::exception);

    EXPECT_TRUE(Press(Control::Command3));
    ASSERT_EQ(sim.processes().Imports().size(), 1u);
    EXPECT_TRUE(sim.processes().Imports()[0].succeeded);
    EXPECT_TRUE(Registry().KeyExists(std::string(kClsid) + std::string(kClassA)));
}

} // namespace
} // namespace hivetidy::testing
