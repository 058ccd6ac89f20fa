#pragma once
// Starting programs and waiting for them, as the driver does for hivetidy.exe and the registry editor.

#include "UniqueHandle.h"

#include <chrono>
#include <string>
#include <string_view>

namespace hivedrive {

// The path of hivetidy.exe: the first argument on the driver's command line that is not a
// GoogleTest flag (gtest_main keeps the arguments to itself, so they are read again here).
[[nodiscard]] std::wstring ProgramUnderTest();

// The folder of hivedrive.exe, where the build puts the tools the tests start too.
[[nodiscard]] std::wstring DriverFolder();
// Starts the command line in the given current directory, its window shown normally; throws when
// it cannot be started.
[[nodiscard]] OwnedProcess StartProcess(std::wstring commandLine, const std::wstring& currentDirectory = L"C:\\");
// The same with the standard output and error of the new process going into the file, as cmd's
// "> file 2>&1" or a job's log hands them over; the file's handle must be inheritable.
[[nodiscard]] OwnedProcess StartProcessWritingTo(std::wstring commandLine, HANDLE output,
                                                 const std::wstring& currentDirectory = L"C:\\");
// True when the process has ended within the time.
[[nodiscard]] bool WaitForEnd(const OwnedProcess& process, std::chrono::milliseconds timeout);
// The native registry editor as the program starts it: %windir%\regedit.exe, on 64-bit Windows the
// 64-bit one (a 32-bit driver reaches it only with the file-system redirector off).
[[nodiscard]] std::wstring RegistryEditorPath();
// Runs the native registry editor, %windir%\regedit.exe as the program starts it, with these
// arguments to its end and gives its exit code; throws when it does not end in time. On 64-bit
// Windows that is the 64-bit editor also for the 32-bit driver: the 32-bit one sees only the 32-bit
// view, under the plain names.
DWORD RunRegistryEditor(std::wstring_view arguments, std::chrono::milliseconds timeout);
// The file name of the program that the process runs ("regedit.exe"); empty when it cannot be read.
[[nodiscard]] std::wstring ImageNameOf(DWORD processId);

} // namespace hivedrive
