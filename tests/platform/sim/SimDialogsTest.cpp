#include "platform/sim/SimDialogs.h"

#include "platform/sim/SimFileSystem.h"

#include <gtest/gtest.h>

#include <exception>
#include <type_traits>

namespace hivetidy::sim {
namespace {

static_assert(!std::is_base_of_v<std::exception, ScriptExhausted>);

class SimDialogsTest : public ::testing::Test {
protected:
    SimDialogsTest() { files.AddDirectory("C:\\Sicherung", std::nullopt); }

    SaveDialogSettings Settings(std::uint32_t flags)
    {
        SaveDialogSettings settings;
        settings.fileName = "sicherungskopie.reg";
        settings.flags = flags;
        return settings;
    }

    SimFileSystem files;
    SimDialogs dialogs{files};
};

TEST_F(SimDialogsTest, AnswersInTheOrderQueuedAndRecordsWhatWasShown)
{
    dialogs.QueueSave(std::nullopt);
    dialogs.QueueSave(std::string("C:\\Sicherung\\b.reg"));
    dialogs.QueueMessageBoxAnswer(kIdNo);
    EXPECT_EQ(dialogs.ShowSave(Settings(0x406)), std::nullopt);
    EXPECT_EQ(dialogs.MessageBox("Frage?", "Titel", kMbYesNo | kMbIconQuestion), kIdNo);
    EXPECT_EQ(dialogs.ShowSave(Settings(0x406)), "C:\\Sicherung\\b.reg");
    ASSERT_EQ(dialogs.SaveDialogsShown().size(), 2u);
    EXPECT_EQ(dialogs.SaveDialogsShown()[1].fileName, "sicherungskopie.reg");
    ASSERT_EQ(dialogs.MessageBoxesShown().size(), 1u);
    EXPECT_EQ(dialogs.MessageBoxesShown()[0].text, "Frage?");
    EXPECT_EQ(dialogs.MessageBoxesShown()[0].title, "Titel");
    EXPECT_EQ(dialogs.MessageBoxesShown()[0].style, 36u);
}

TEST_F(SimDialogsTest, ADialogWithoutAnAnswerEndsTheTest)
{
    EXPECT_THROW((void)dialogs.ShowSave(Settings(0)), ScriptExhausted);
    EXPECT_THROW((void)dialogs.MessageBox("?", "", 0), ScriptExhausted);
    EXPECT_EQ(dialogs.SaveDialogsShown().size(), 1u); // shown all the same
}

TEST_F(SimDialogsTest, TheChosenFolderBecomesCurrentUnlessTheDialogIsToldToKeepIt)
{
    dialogs.QueueSave(std::string("C:\\Sicherung\\b.reg"));
    dialogs.QueueSave(std::string("C:\\x.reg"));
    dialogs.QueueSave(std::nullopt);
    (void)dialogs.ShowSave(Settings(0x8)); // OFN_NOCHANGEDIR
    EXPECT_EQ(files.CurrentDirectory(), "C:\\");
    (void)dialogs.ShowSave(Settings(0x406));
    EXPECT_EQ(files.CurrentDirectory(), "C:\\");
    ASSERT_TRUE(files.SetCurrentDirectory("C:\\Sicherung"));
    (void)dialogs.ShowSave(Settings(0x406)); // cancelled
    EXPECT_EQ(files.CurrentDirectory(), "C:\\Sicherung");
}

} // namespace
} // namespace hivetidy::sim
