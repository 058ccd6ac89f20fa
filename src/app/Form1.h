#pragma once
// The main window: start-up, its buttons and timer, and the driver of the cleaning run that
// Start begins. The run itself (passes/CleaningRun) does not know the window.

#include "app/ExitCode.h"
#include "passes/CleaningRun.h"
#include "passes/RunDriver.h"
#include "passes/RunEnding.h"
#include "platform/Platform.h"

#include <cstdint>
#include <memory>
#include <string>

namespace hivetidy {

class Form1 final : public FormEvents, public RunDriver {
public:
    explicit Form1(Platform& platform);
    ~Form1() override;

    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Start-up, before the window is first shown.
    void Form_Load();

    // The cleaning run.
    void Command1_Click() override;
    // Cancel or Exit: ends the program at once.
    void Command2_Click() override;
    // Undo: imports the backup file and ends the program.
    void Command3_Click() override;
    void Check1_Click() override;
    void Timer1_Timer() override;
    // Closing from the title bar ends the program, as Cancel does.
    void CloseBox() override;

    // Blocks until the process has ended; its exit code, 0 when there is no process or no code.
    std::uint32_t WaitOnProgram(StartedProcess* process);
    // Asks for the backup file until one is confirmed or the user ends the program; makes its
    // folder the current directory and returns its name.
    [[nodiscard]] std::string AskBackupFile();

    // Ends the program at once: every open file is closed with what was written to it, and the
    // machine's run let go.
    [[noreturn]] void EndProgram(ExitCode code = ExitCode::Done);

    // The run this window drives.
    [[nodiscard]] CleaningRun& Run() { return m_run; }
    [[nodiscard]] std::int32_t ElapsedTicks() const { return m_elapsedTicks; }
    [[nodiscard]] bool MakerKeyFound() const { return m_makerKeyFound; }

private:
    // The run's questions and news, answered and shown in the window.
    [[nodiscard]] std::string ChooseBackupFile() override;
    void Yield() override;
    [[nodiscard]] bool MakerKeysSelected() override;
    void RunStarted() override;
    void ExportBegins() override;
    void ExportEnds() override;
    void KeyDone(const KeyOutcome& key) override;
    void RunEnded(bool failed) override;

    // The window's last state, from how the run ended.
    void EnterFinishedState(const RunEnding& ending);
    // A message box with the lines, where there are any.
    void Tell(const std::vector<std::string>& lines);
    // A run that could not go on: the user told what failed and what was deleted, Exit offered,
    // and Undo where this run removed something.
    void ReportFailedRun();
    // The end of a run that deleted less than it set out to, or whose backup could not be held
    // for Undo: the user is told, with the files.
    void ReportPartialRun(const RunEnding& ending);

    Platform& m_platform;
    CleaningRun m_run;
    // This machine's one run, held from Start until the program ends.
    std::unique_ptr<RunLock> m_runLock;
    std::int32_t m_elapsedTicks = 0;
    bool m_makerKeyFound = false;
    // What the label says in the finished state.
    std::string m_finishedHint;
};

} // namespace hivetidy
