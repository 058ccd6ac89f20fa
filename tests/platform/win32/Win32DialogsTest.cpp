#include "platform/win32/Win32Dialogs.h"

#include "DialogAnswer.h"
#include "ScratchFolder.h"
#include "platform/win32/UniqueResource.h"
#include "platform/win32/WideText.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace hivetidy::win32 {
namespace {

using namespace std::string_literals;

constexpr std::string_view kTitle = "Pfad und Dateiname der Registry - Sicherungskopie :";

class Win32DialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_owner.reset(CreateWindowExW(0, L"STATIC", L"Besitzer", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(m_owner);
    }

    // The settings the program uses for its backup file, in the scratch folder.
    [[nodiscard]] SaveDialogSettings BackupSettings() const
    {
        SaveDialogSettings settings;
        settings.cancelError = true;
        settings.dialogTitle = std::string(kTitle);
        settings.fileName = "sicherungskopie.reg";
        settings.initDir = Narrow(m_scratch.Path().wstring());
        settings.filter = "Reg-Dateien (*.reg)|*.reg|Alle Dateien (*.*)|*.*";
        settings.filterIndex = 1;
        settings.flags = 0x406;
        return settings;
    }

    // The dialog makes the folder it shows the current directory; the scratch folder puts it back.
    ScratchFolder m_scratch{L"HivetidyDialogTest"};
    UniqueWindow m_owner;
};

TEST(DialogFilterOfTest, TurnsTheBarsIntoNulSeparatedPairsClosedByTwoNuls)
{
    EXPECT_EQ(DialogFilterOf("Reg-Dateien (*.reg)|*.reg|Alle Dateien (*.*)|*.*"),
              L"Reg-Dateien (*.reg)\0*.reg\0Alle Dateien (*.*)\0*.*\0\0"s);
    EXPECT_EQ(DialogFilterOf("Text|*.txt|"), L"Text\0*.txt\0\0"s);
    EXPECT_EQ(DialogFilterOf("Gel\u00f6scht|*.bak"), L"Gel\u00f6scht\0*.bak\0\0"s);
}

TEST_F(Win32DialogsTest, MessageBoxShowsTheTextOverTheOwnerAndReturnsTheButtonPressed)
{
    Win32Dialogs dialogs(m_owner.get());
    auto answer = AnswerDialog(L"Programmabbruch?", IDNO);

    const int pressed = dialogs.MessageBox("Wollen Sie das Programm beenden?", "Programmabbruch?", kMbYesNo | kMbIconQuestion);

    const SeenDialog seen = answer.get();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(pressed, kIdNo);
    EXPECT_EQ(seen.text, L"Wollen Sie das Programm beenden?");
    EXPECT_EQ(seen.owner, m_owner.get());
}

TEST_F(Win32DialogsTest, ShowSaveOpensInTheInitialFolderWithTheInitialNameAndGivesTheFullPath)
{
    Win32Dialogs dialogs(m_owner.get());
    auto answer = AnswerDialog(Widen(kTitle), IDOK);

    const auto chosen = dialogs.ShowSave(BackupSettings());

    const SeenDialog seen = answer.get();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.owner, m_owner.get());
    EXPECT_EQ(chosen, Narrow((m_scratch.Path() / L"sicherungskopie.reg").wstring()));
}

TEST_F(Win32DialogsTest, ShowSaveCancelledGivesNothing)
{
    Win32Dialogs dialogs(m_owner.get());
    auto answer = AnswerDialog(Widen(kTitle), IDCANCEL);

    const auto chosen = dialogs.ShowSave(BackupSettings());

    ASSERT_TRUE(answer.get().found);
    EXPECT_EQ(chosen, std::nullopt);
}

} // namespace
} // namespace hivetidy::win32
