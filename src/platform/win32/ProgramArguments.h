#pragma once
// The program's arguments as the core's command-line parser takes them.

#include <string>
#include <string_view>
#include <vector>

namespace hivetidy::win32 {

// The arguments after the program's name in a whole command line as GetCommandLineW gives it,
// split the way every Windows program splits them (CommandLineToArgvW: blanks separate, quotes
// group and go), each as UTF-8.
[[nodiscard]] std::vector<std::string> ArgumentsOf(std::wstring_view commandLine);

// The same for this process's own command line.
[[nodiscard]] std::vector<std::string> ProgramArguments();

} // namespace hivetidy::win32
