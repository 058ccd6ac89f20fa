#pragma once
// Odds and ends of the system: the ANSI code page, the user's time format, the beep, and ending
// the program at once.

#include <string>
#include <string_view>

namespace hivetidy {

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
};

} // namespace hivetidy
