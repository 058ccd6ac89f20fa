#include "HivetidyTest.h"

#include "DriverError.h"
#include "Files.h"
#include "Polling.h"
#include "Text.h"

namespace hivedrive {

namespace {

constexpr wchar_t kQuitQuestion[] = L"Wollen Sie das Programm beenden?";

} // namespace

void HivetidyTest::SetUp()
{
    DeleteFolderTree(kWorkingFolder);
}

void HivetidyTest::TickMakerKeys(Hivetidy& program)
{
    program.Window().Click(Control::Check1);
    if (!PollFor([&] { return program.Window().IsChecked(Control::Check1).value_or(false); }, kEndTimeout)) {
        throw DriverError("the check box did not get ticked");
    }
}

SaveDialog HivetidyTest::PressStart(Hivetidy& program)
{
    program.Window().Click(Control::Command1);
    auto dialog = program.WaitForSaveDialog(kWindowTimeout);
    if (!dialog) {
        throw DriverError("Start showed no save dialog");
    }
    return *dialog;
}

void HivetidyTest::ChooseBackupFile(SaveDialog& dialog, std::wstring_view path)
{
    dialog.EnterFileName(path);
    dialog.PressSave();
    if (!PollFor([&] { return !dialog.IsOpen(); }, kEndTimeout)) {
        throw DriverError("the save dialog did not take " + ToUtf8(path));
    }
}

void HivetidyTest::RunToTheEnd(Hivetidy& program, std::wstring_view backupPath)
{
    SaveDialog dialog = PressStart(program);
    ChooseBackupFile(dialog, backupPath);
    if (!program.WaitForFinishedRun(kRunTimeout)) {
        throw DriverError(program.IsRunning() ? "the run did not finish in time" : "the program ended during the run");
    }
}

std::optional<std::wstring> HivetidyTest::RunToTheEndWithMessage(Hivetidy& program, std::wstring_view backupPath)
{
    SaveDialog dialog = PressStart(program);
    ChooseBackupFile(dialog, backupPath);
    std::optional<std::wstring> text;
    if (auto box = program.WaitForRunsMessage(L"Hivetidy", kRunTimeout)) {
        text = box->Text();
        box->Press(IDOK);
    }
    // Either order: the finished window under the box, or the box before the window finishes.
    if (!program.WaitForFinishedRun(kRunTimeout)) {
        throw DriverError(program.IsRunning() ? "the run did not finish in time" : "the program ended during the run");
    }
    return text;
}

void HivetidyTest::CancelDialogAndAnswer(Hivetidy& program, SaveDialog& dialog, int answer)
{
    dialog.PressCancel();
    auto question = program.WaitForMessageBox(kQuitQuestion, kWindowTimeout);
    if (!question) {
        throw DriverError("cancelling the save dialog asked no question");
    }
    question->Press(answer);
}

std::string Listed(const std::vector<std::wstring>& lines)
{
    std::string text;
    for (const std::wstring& line : lines) {
        text += "\n  " + ToUtf8(line);
    }
    return text;
}

} // namespace hivedrive
