#include "support/ProgramFixture.h"

namespace hivetidy::testing {
namespace {

class Undo : public ProgramFixture {
protected:
    // A finished run over an installation with one class, its backup at backupPath.
    void FinishRun(std::string_view backupPath)
    {
        AddClass("{11111111-2222-3333-4444-555555555555}", "C:\\Programme\\OMX\\BIN\\a.dll");
        Files().AddDirectory("C:\\Backup Folder", std::nullopt);
        ASSERT_FALSE(Run(backupPath));
        ASSERT_TRUE(Window().State(Control::Command3).enabled);
    }
};

// Catches the editor handed the backup's own path, which a junction above it could re-point
// between the check and the import, or a copy left behind.
TEST_F(Undo, ImportsAPrivateCopyOfTheCheckedBytesAndEndsTheProgram)
{
    FinishRun("C:\\Backup Folder\\meine sicherung.reg");
    const auto before = sim.processes().CommandLines().size();
    EXPECT_TRUE(Press(Control::Command3));
    const auto& lines = sim.processes().CommandLines();
    ASSERT_EQ(lines.size(), before + 1);
    EXPECT_EQ(lines.back(), "regedit.exe \"C:\\REGISTRY\\UNDO.REG\"");
    EXPECT_FALSE(Files().Contents("C:\\REGISTRY\\UNDO.REG"));
    EXPECT_TRUE(sim.system().Ended());
    EXPECT_TRUE(Registry().KeyExists("HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32"));
}

TEST_F(Undo, ImportsABackupAtADriveRoot)
{
    FinishRun("C:\\root.reg");
    EXPECT_TRUE(Press(Control::Command3));
    EXPECT_TRUE(Registry().KeyExists("HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32"));
}

// Catches a window that ends after the editor as if everything were back: the editor says
// nothing of a key it could not write, and a user who answered its question with No has
// imported nothing.
TEST_F(Undo, NamesTheKeysTheImportLeftOutBeforeTheProgramEnds)
{
    FinishRun("C:\\Backup Folder\\meine sicherung.reg");
    const std::string key = std::string(kClsid) + "{11111111-2222-3333-4444-555555555555}";
    Registry().DenyOpen(key);
    sim.dialogs().QueueMessageBoxAnswer(1);
    EXPECT_TRUE(Press(Control::Command3));
    ASSERT_EQ(sim.dialogs().MessageBoxesShown().size(), 1u);
    const std::string& text = sim.dialogs().MessageBoxesShown()[0].text;
    EXPECT_NE(text.find("Nicht wiederhergestellt (1 Schl\u00fcssel)"), std::string::npos) << text;
    EXPECT_NE(text.find(key), std::string::npos) << text;
}

TEST_F(Undo, ShowsItsMessageAndLocksTheWindowBeforeTheEditorRuns)
{
    FinishRun("C:\\REGISTRY\\b.reg");
    const int repaints = Window().RepaintCount();
    sim.processes().SetStartHook([&](const std::string&) {
        // What the user sees while the editor imports.
        EXPECT_FALSE(Window().State(Control::Command1).enabled);
        EXPECT_FALSE(Window().State(Control::Command2).enabled);
        EXPECT_FALSE(Window().State(Control::Command3).enabled);
        EXPECT_EQ(Window().State(Control::Label2).caption, "\r\rRegistry wird aktualisiert ...");
        EXPECT_EQ(Window().RepaintCount(), repaints + 1);
    });
    EXPECT_TRUE(Press(Control::Command3));
}

TEST_F(Undo, WhenTheEditorCannotStartNamesTheBackupAndStaysFinished)
{
    FinishRun("C:\\REGISTRY\\b.reg");
    sim.processes().FailStarts(true);
    sim.dialogs().QueueMessageBoxAnswer(1);
    EXPECT_FALSE(Press(Control::Command3));
    ASSERT_EQ(sim.dialogs().MessageBoxesShown().size(), 1u);
    EXPECT_NE(sim.dialogs().MessageBoxesShown()[0].text.find("C:\\REGISTRY\\b.reg"), std::string::npos);
    EXPECT_TRUE(Window().State(Control::Command3).enabled);
    EXPECT_TRUE(Window().State(Control::Command2).enabled);
    EXPECT_EQ(Window().State(Control::Command2).caption, "E&xit");
    EXPECT_FALSE(Window().State(Control::Command1).enabled);
    EXPECT_FALSE(sim.system().Ended());
}

TEST_F(Undo, WaitingWithoutAProcessReturnsAtOnce)
{
    EXPECT_EQ(form.WaitOnProgram(nullptr), 0u);
}

} // namespace
} // namespace hivetidy::testing
