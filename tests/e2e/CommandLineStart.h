#pragma once
// hivetidy.exe started with arguments, as a batch file or a job of a management tool starts it:
// its output redirected into a file, waited for to its end through its process handle, and
// watched the whole time for a window that would wait for a person.

#include "Polling.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace hivedrive {

// The exit codes, as the usage and the README give them.
inline constexpr DWORD kDone = 0;
inline constexpr DWORD kPartial = 1;
inline constexpr DWORD kFailedBeforeDeletion = 2;
inline constexpr DWORD kAnotherRunInProgress = 4;
inline constexpr DWORD kBadCommandLine = 5;

struct CommandLineOutcome {
    DWORD exitCode = 0;
    // What the program wrote to its standard output and error, byte for byte.
    std::string output;
    // Each visible top-level window the program showed while it ran, or a registry editor did
    // (its boxes are answered, so that the run can end): "class \"caption\"", each once.
    std::vector<std::wstring> windowsSeen;

    // The output read as UTF-8, split at CR LF.
    [[nodiscard]] std::vector<std::wstring> Lines() const;
    // The output's lines that name a key as the removal log does, "[...]", in order.
    [[nodiscard]] std::vector<std::wstring> KeyLines() const;
};

// The exit code, the output and the windows seen, for a failure message.
[[nodiscard]] std::string Shown(const CommandLineOutcome& outcome);

// Runs hivetidy.exe with the arguments (the text after the program's name, quoted as in cmd) to
// its end, started in the folder as a batch file in it starts it; throws when it does not end in
// time, after ending it.
[[nodiscard]] CommandLineOutcome RunHivetidyWith(std::wstring_view arguments,
                                                 std::chrono::milliseconds timeout = kRunTimeout,
                                                 const std::wstring& folder = L"C:\\");

// The lines of a text that name a key, "[...]", in order.
[[nodiscard]] std::vector<std::wstring> KeyLinesOf(const std::vector<std::wstring>& lines);

} // namespace hivedrive
