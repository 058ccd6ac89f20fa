#pragma once
// The simulated system: code page 1252, the German time format, a beep counter, and ending the
// program by unwinding with ProgramEnded.

#include "platform/System.h"

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

    [[nodiscard]] int BeepCount() const { return m_beeps; }
    // True once the program has ended.
    [[nodiscard]] bool Ended() const { return m_ended; }

private:
    int m_beeps = 0;
    bool m_ended = false;
};

} // namespace hivetidy::sim
