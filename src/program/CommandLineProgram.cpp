#include "program/CommandLineProgram.h"

#include "app/CommandLine.h"
#include "app/CommandLineRun.h"
#include "app/ExitCode.h"
#include "component/StoreComponent.h"
#include "platform/Platform.h"
#include "platform/win32/Win32Console.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Hives.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"

#include <exception>
#include <string>

namespace hivetidy::win32 {

namespace {

constexpr char kUsageHint[] = "hivetidy.exe /? zeigt die Verwendung.";

// Without a console and without redirected output (a scheduled task, a SYSTEM job) the usage
// goes nowhere: a message box there would wait for a person who is not there.
void ShowUsage(Console& console)
{
    for (const std::string& line : UsageText()) {
        console.WriteLine(line);
    }
}

int Run(Console& console, const CommandLine& line)
{
    Win32Registry registry;
    StoreComponentFactory components(registry);
    Win32FileSystem files;
    Win32Processes processes;
    Win32System system;
    Win32Hives hives;
    // No window and no dialogs: the command-line run has neither.
    const RunPlatform platform{components, files, processes, system, hives};
    return RunFromCommandLine(platform, console, line);
}

} // namespace

int RunCommandLineProgram(const std::vector<std::string>& arguments)
{
    // A removable drive without its medium must fail the write, not ask in a box that nobody
    // answers; the same for a crash, which must end the job with an exit code.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);

    Win32Console console;
    const auto parsed = ParseCommandLine(arguments);
    if (const auto* error = std::get_if<CommandLineError>(&parsed)) {
        // Without a console nobody reads it; the exit code says it to the job.
        console.WriteLine(error->message);
        console.WriteLine(kUsageHint);
        return ToInt(ExitCode::BadCommandLine);
    }
    const CommandLine& line = std::get<CommandLine>(parsed);
    if (line.action == CommandAction::Usage) {
        ShowUsage(console);
        return ToInt(ExitCode::Done);
    }
    try {
        return Run(console, line);
    } catch (const std::exception& exception) {
        // Whether keys were deleted before it is not known here; 3 sends the reader to the backup
        // and the log, which is the safe reading of both.
        console.WriteLine(std::string("Unerwarteter Fehler: ") + exception.what());
        return ToInt(ExitCode::FailedAfterDeletion);
    } catch (...) {
        console.WriteLine("Unerwarteter Fehler.");
        return ToInt(ExitCode::FailedAfterDeletion);
    }
}

} // namespace hivetidy::win32
