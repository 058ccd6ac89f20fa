#pragma once
// The ANSI code page, the user's time format, the beep, the machine's name and clock, the run
// lock and the end of the process.

#include "platform/System.h"

namespace hivetidy::win32 {

class Win32System final : public System {
public:
    [[nodiscard]] std::string ToAnsi(std::string_view utf8) override;
    [[nodiscard]] std::string FromAnsi(std::string_view ansi) override;
    [[nodiscard]] std::string FormatTimeOfDay(int hours, int minutes, int seconds) override;
    void Beep() override;
    [[noreturn]] void Terminate() override;
    [[noreturn]] void Terminate(int exitCode) override;
    [[nodiscard]] std::string ComputerName() override;
    [[nodiscard]] std::string LocalDateTime() override;
    // A named mutex in the global namespace, seen from every session.
    [[nodiscard]] std::unique_ptr<RunLock> TakeRunLock() override;
};

} // namespace hivetidy::win32
