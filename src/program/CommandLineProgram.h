#pragma once
// hivetidy.exe started with arguments: no window, nothing that waits for a person, an exit code.

#include <string>
#include <vector>

namespace hivetidy::win32 {

// Parses the arguments and carries them out; the exit code (ExitCode).
[[nodiscard]] int RunCommandLineProgram(const std::vector<std::string>& arguments);

} // namespace hivetidy::win32
