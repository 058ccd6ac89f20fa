#pragma once
// Odds and ends of the system: the ANSI code page, the user's time format, the beep, the
// machine's name and clock, the one-run-at-a-time lock, and ending the program at once.

#include <memory>
#include <string>
#include <string_view>

namespace hivetidy {

// The machine's one cleaning run, held while this object lives.
class RunLock {
public:
    virtual ~RunLock() = default;
};

class System {
public:
    virtual ~System() = default;

    // UTF-8 to the system's ANSI code page ("ö" is 0xF6 under cp1252); unmappable characters
    // become '?'.
    [[nodiscard]] virtual std::string ToAnsi(std::string_view utf8) = 0;
    [[nodiscard]] virtual std::string FromAnsi(std::string_view ansi) = 0;
    // A time of day (hours 0-23) in the user's time format: "00:01:05" under a German locale.
    [[nodiscard]] virtual std::string FormatTimeOfDay(int hours, int minutes, int seconds) = 0;
    virtual void Beep() = 0;
    // Ends the program at once. The caller has already closed the program's files; no handler
    // runs after this. Never returns (the simulation unwinds with ProgramEnded, no Failure).
    [[noreturn]] virtual void Terminate() = 0;
    // The same, with that exit code for whoever started the program.
    [[noreturn]] virtual void Terminate(int exitCode) = 0;
    // The machine's name, as COMPUTERNAME has it.
    [[nodiscard]] virtual std::string ComputerName() = 0;
    // The local date and time, "2026-12-09 07:35:00".
    [[nodiscard]] virtual std::string LocalDateTime() = 0;
    // Takes the lock that lets one cleaning run at a time work on this machine, for every user
    // and session; nullptr when another program holds it.
    [[nodiscard]] virtual std::unique_ptr<RunLock> TakeRunLock() = 0;
};

} // namespace hivetidy
