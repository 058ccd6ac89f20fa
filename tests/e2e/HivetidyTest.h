#pragma once
// What every end-to-end test starts from, and the steps a user takes that many tests share.

#include "Dialogs.h"
#include "Hivetidy.h"
#include "Seeds.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

namespace hivedrive {

inline constexpr wchar_t kBackupPath[] = L"C:\\registry\\backup.reg";

class HivetidyTest : public ::testing::Test {
protected:
    // Each test sees only the files of its own run: the working folder is taken away before it.
    void SetUp() override;

    // Ticks the check box as the user does; throws when it does not end up ticked.
    static void TickMakerKeys(Hivetidy& program);
    // Presses Start and waits for the save dialog; throws when it does not come.
    [[nodiscard]] static SaveDialog PressStart(Hivetidy& program);
    // Types the path into the save dialog and confirms it; throws when the dialog does not close.
    static void ChooseBackupFile(SaveDialog& dialog, std::wstring_view path);
    // Start, the backup file and the wait until the run has finished with Exit.
    static void RunToTheEnd(Hivetidy& program, std::wstring_view backupPath = kBackupPath);
    // The same for a run that ends with a message box titled "Hivetidy": the box's text, the box
    // closed with OK; nullopt when the run finished without one. Throws when it does not finish.
    [[nodiscard]] static std::optional<std::wstring> RunToTheEndWithMessage(Hivetidy& program,
                                                                            std::wstring_view backupPath = kBackupPath);
    // Cancels the save dialog and answers the question that follows with Yes or No.
    static void CancelDialogAndAnswer(Hivetidy& program, SaveDialog& dialog, int answer);

    // Declared first, so that it goes last: a program still running is ended before its seeds go.
    Seeds m_seeds;
};

// Lists one difference per line for a failure message.
[[nodiscard]] std::string Listed(const std::vector<std::wstring>& lines);

} // namespace hivedrive
