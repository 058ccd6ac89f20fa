#pragma once
// The program started with arguments: the run, the preview or the Undo the command line asks
// for, with no window and nothing that waits for a person.

#include "app/CommandLine.h"
#include "platform/Console.h"
#include "platform/Platform.h"

namespace hivetidy {

// Carries out a parsed command line (never CommandAction::Window) and returns the exit code
// (ExitCode). Lines go to the console where there is one.
[[nodiscard]] int RunFromCommandLine(const RunPlatform& platform, Console& console, const CommandLine& line);

} // namespace hivetidy
