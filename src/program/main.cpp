// hivetidy.exe: without arguments the window, with them the command line; this only chooses.

#include "platform/win32/ProgramArguments.h"
#include "platform/win32/Win32Api.h"
#include "program/CommandLineProgram.h"
#include "program/WindowProgram.h"

namespace {

void RestrictDllSearchToSystemFolder()
{
    // SetDefaultDllDirectories came with an update of Windows 7; looked up, so that the program
    // still starts without it. The current directory goes from the search in any case.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault) {
        (void)setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    (void)SetDllDirectoryW(L"");
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*showCommand*/)
{
    using namespace hivetidy::win32;

    // Running elevated, the program loads DLLs from the system folder only: never from its own
    // folder, the current directory or the search path, where a user might have put one.
    RestrictDllSearchToSystemFolder();

    // The whole command line, not wWinMain's: that one has the program's name cut off by rules
    // of its own, while CommandLineToArgvW splits the arguments as every other program does.
    const std::vector<std::string> arguments = ProgramArguments();
    if (arguments.empty()) {
        return RunWindowProgram(instance);
    }
    return RunCommandLineProgram(arguments);
}
