#include "support/ProgramFixture.h"

namespace hivetidy::testing {
namespace {

class AskBackupFile : public ProgramFixture {
protected:
    AskBackupFile() { Files().AddDirectory("C:\\REGISTRY", std::nullopt); }

    // The driver's choice, taken by the run's files as a run takes it.
    void ChooseBackupFile() { form.Run().Files().NameBackup(static_cast<RunDriver&>(form).ChooseBackupFile()); }
};

TEST_F(AskBackupFile, ShowsTheDialogWithItsSettings)
{
    sim.dialogs().QueueSave(std::string("C:\\REGISTRY\\sicherungskopie.reg"));
    ChooseBackupFile();
    ASSERT_EQ(sim.dialogs().SaveDialogsShown().size(), 1u);
    const SaveDialogSettings& shown = sim.dialogs().SaveDialogsShown()[0];
    EXPECT_TRUE(shown.cancelError);
    EXPECT_EQ(shown.dialogTitle, "Pfad und Dateiname der Registry - Sicherungskopie :");
    EXPECT_EQ(shown.fileName, "sicherungskopie.reg");
    EXPECT_EQ(shown.initDir, "c:\\registry");
    EXPECT_EQ(shown.filter, "Reg-Dateien (*.reg)|*.reg|Alle Dateien (*.*)|*.*");
    EXPECT_EQ(shown.filterIndex, 1);
    EXPECT_EQ(shown.flags, 0x406u);
    EXPECT_EQ(shown.defaultExt, "");
    EXPECT_EQ(form.Run().Files().BackupFileName(), "sicherungskopie.reg");
}

TEST_F(AskBackupFile, MakesTheChosenFolderCurrentAndKeepsTheNameAsTyped)
{
    Files().AddDirectory("C:\\Service\\Sicherung", std::nullopt);
    sim.dialogs().QueueSave(std::string("C:\\Service\\Sicherung\\vorher"));
    ChooseBackupFile();
    EXPECT_EQ(form.Run().Files().BackupFileName(), "vorher");
    EXPECT_EQ(Files().CurrentDirectory(), "C:\\Service\\Sicherung");

    sim.dialogs().QueueSave(std::string("D:\\x.reg"));
    Files().AddDirectory("D:\\", std::nullopt);
    ChooseBackupFile();
    EXPECT_EQ(form.Run().Files().BackupFileName(), "x.reg");
    EXPECT_EQ(Files().CurrentDirectory(), "D:\\");
}

// Catches a backup let go under the name of the run's own export file, where every key would stay
// "hlp.reg belegt", or of its log: the user is told and asked again, in any spelling.
TEST_F(AskBackupFile, TheRunsOwnFilesAreRefusedAndTheDialogShownAgain)
{
    Files().WriteFile("C:\\REGISTRY\\HLP.REG", "alt");
    for (const char* own : {"c:\\registry\\hlp.reg", "C:\\REGISTRY\\HIVETIDY.BAK"}) {
        SCOPED_TRACE(own);
        sim.dialogs().QueueSave(std::string(own));
        sim.dialogs().QueueMessageBoxAnswer(1);
        sim.dialogs().QueueSave(std::string("C:\\REGISTRY\\sicherungskopie.reg"));
        ChooseBackupFile();
        EXPECT_EQ(form.Run().Files().BackupFileName(), "sicherungskopie.reg");
    }
    ASSERT_EQ(sim.dialogs().MessageBoxesShown().size(), 2u);
    EXPECT_NE(sim.dialogs().MessageBoxesShown()[0].text.find("anderen Namen"), std::string::npos);
    EXPECT_EQ(sim.dialogs().SaveDialogsShown().size(), 4u);
}

TEST_F(AskBackupFile, CancelThenNoShowsTheDialogAgainWithAllSettingsAnew)
{
    sim.dialogs().QueueSave(std::nullopt);
    sim.dialogs().QueueMessageBoxAnswer(kIdNo);
    sim.dialogs().QueueSave(std::nullopt);
    sim.dialogs().QueueMessageBoxAnswer(kIdNo);
    sim.dialogs().QueueSave(std::string("C:\\REGISTRY\\b.reg"));
    ChooseBackupFile();

    const auto& shown = sim.dialogs().SaveDialogsShown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[2].fileName, "sicherungskopie.reg");
    EXPECT_EQ(shown[2].initDir, "c:\\registry");
    const auto& questions = sim.dialogs().MessageBoxesShown();
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0].text, "Wollen Sie das Programm beenden?");
    EXPECT_EQ(questions[0].title, "Programmabbruch?");
    EXPECT_EQ(questions[0].style, 36u);
    EXPECT_EQ(form.Run().Files().BackupFileName(), "b.reg");
}

TEST_F(AskBackupFile, CancelThenYesEndsTheRunBeforeAnyFileOrKeyIsTouched)
{
    AddClass("{11111111-2222-3333-4444-555555555555}", "C:\\Programme\\OMX\\BIN\\a.dll");
    Load();
    sim.dialogs().QueueSave(std::nullopt);
    sim.dialogs().QueueMessageBoxAnswer(kIdYes);
    EXPECT_TRUE(Press(Control::Command1));
    EXPECT_FALSE(Files().Exists("C:\\REGISTRY\\sicherungskopie.reg"));
    EXPECT_FALSE(Files().Exists(std::string(kLogPath)));
    EXPECT_TRUE(Registry().KeyExists("HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}"));
    EXPECT_TRUE(sim.processes().CommandLines().empty());
}

} // namespace
} // namespace hivetidy::testing
