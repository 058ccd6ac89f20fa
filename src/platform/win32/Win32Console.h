#pragma once
// Where a command-line run's lines go. The program is a GUI-subsystem exe: Windows gives it no
// console of its own, so it writes to the output its starter redirected, or else to the console of
// the process that started it. It never makes a console: a job that nobody watches must not get a
// window.

#include "platform/Console.h"
#include "platform/win32/UniqueResource.h"

#include <string_view>

namespace hivetidy::win32 {

class Win32Console final : public Console {
public:
    // Finds the output once: the standard output when it is a file or a pipe (UTF-8 bytes go
    // there), else the starter's console when there is one (UTF-16 through WriteConsoleW, so that
    // umlauts show in any code page), else nothing.
    Win32Console();

    Win32Console(const Win32Console&) = delete;
    Win32Console& operator=(const Win32Console&) = delete;

    [[nodiscard]] bool Attached() const override { return m_output != nullptr; }
    // Writes the line with CR LF; a write that fails (a closed pipe) loses the line and nothing else.
    void WriteLine(std::string_view line) override;

private:
    // Not owned: the standard output belongs to the process.
    HANDLE m_output = nullptr;
    bool m_isConsole = false;
    // The console's output buffer, opened after AttachConsole.
    UniqueFile m_consoleOutput;
};

} // namespace hivetidy::win32
