#pragma once
// The simulated system: code page 1252, the German time format, a beep counter, and ending the
// program by unwinding with ProgramEnded.

#include "platform/System.h"

#include <memory>
#include <string>
#include <utility>

namespace hivetidy::sim {

// Thrown by Terminate. Deliberately no std::exception and no Failure, so that no failure idiom
// of the program can catch the end of the program.
struct ProgramEnded {};

class SimSystem final : public System {
public:
    // Windows-1252 both ways.
    [[nodiscard]] std::string ToAnsi(std::string_view utf8) override;
    [[nodiscard]] std::string FromAnsi(std::string_view ansi) override;
    // "HH:MM:SS", two digits each, as the German locale writes the time.
    [[nodiscard]] std::string FormatTimeOfDay(int hours, int minutes, int seconds) override;
    // Counted, not sounded.
    void Beep() override;
    // Marks the program ended and throws ProgramEnded.
    [[noreturn]] void Terminate() override;
    // The same, keeping the exit code.
    [[noreturn]] void Terminate(int exitCode) override;
    // "WERKSTATT-PC" unless a test names it otherwise.
    [[nodiscard]] std::string ComputerName() override { return m_computerName; }
    // A fixed moment unless a test sets another.
    [[nodiscard]] std::string LocalDateTime() override { return m_dateTime; }
    // One holder for the whole simulated machine: every program on it shares this system.
    [[nodiscard]] std::unique_ptr<RunLock> TakeRunLock() override;

    [[nodiscard]] int BeepCount() const { return m_beeps; }
    // True once the program has ended.
    [[nodiscard]] bool Ended() const { return m_ended; }
    // The code the program ended with; 0 for a plain Terminate.
    [[nodiscard]] int ExitCode() const { return m_exitCode; }
    // True while a program holds the run lock.
    [[nodiscard]] bool RunLocked() const { return m_runLockHolder != 0; }
    void SetComputerName(std::string name) { m_computerName = std::move(name); }
    void SetLocalDateTime(std::string dateTime) { m_dateTime = std::move(dateTime); }

private:
    int m_beeps = 0;
    bool m_ended = false;
    int m_exitCode = 0;
    // Which lock holds the machine's run, 0 for none; each lock taken gets the next number.
    int m_runLockHolder = 0;
    int m_runLocksTaken = 0;
    std::string m_computerName = "WERKSTATT-PC";
    std::string m_dateTime = "2026-12-09 07:30:00";
};

} // namespace hivetidy::sim
