#include "Processes.h"

#include "DriverError.h"
#include "Wow64.h"

#include <shellapi.h>

#include <memory>

namespace hivedrive {

std::wstring ProgramUnderTest()
{
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&::LocalFree)> arguments(
        ::CommandLineToArgvW(::GetCommandLineW(), &count), &::LocalFree);
    for (int i = 1; arguments && i < count; ++i) {
        const std::wstring_view argument = arguments.get()[i];
        if (!argument.starts_with(L"--")) {
            return std::wstring(argument);
        }
    }
    throw DriverError("usage: hivedrive.exe <path of hivetidy.exe> [GoogleTest flags]");
}

std::wstring DriverFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        ThrowWin32Error(L"GetModuleFileNameW", ::GetLastError());
    }
    const std::wstring_view full(path, length);
    return std::wstring(full.substr(0, full.find_last_of(L'\\')));
}

namespace {

OwnedProcess Start(std::wstring commandLine, const std::wstring& currentDirectory, HANDLE output)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    if (output) {
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    PROCESS_INFORMATION info{};
    // Wine now and then fails a start with ERROR_INTERNAL_ERROR when its loader cannot set up the
    // new process (seen once in some hundred starts on a loaded machine); a second try starts it.
    constexpr int kTries = 3;
    for (int attempt = 1;; ++attempt) {
        // CreateProcessW may write into the command line, so it gets a buffer of its own.
        std::wstring buffer = commandLine;
        // Handles are inherited only where an output is handed over; the driver makes no other one inheritable.
        if (::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, output ? TRUE : FALSE, 0, nullptr,
                             currentDirectory.c_str(), &startup, &info)) {
            return OwnedProcess(info);
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == kTries) {
            ThrowWin32Error(L"CreateProcessW " + commandLine, error);
        }
        ::Sleep(250);
    }
}

} // namespace

OwnedProcess StartProcess(std::wstring commandLine, const std::wstring& currentDirectory)
{
    return Start(std::move(commandLine), currentDirectory, nullptr);
}

OwnedProcess StartProcessWritingTo(std::wstring commandLine, HANDLE output, const std::wstring& currentDirectory)
{
    return Start(std::move(commandLine), currentDirectory, output);
}

bool WaitForEnd(const OwnedProcess& process, std::chrono::milliseconds timeout)
{
    return ::WaitForSingleObject(process.Process(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

std::wstring RegistryEditorPath()
{
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        ThrowWin32Error(L"GetSystemWindowsDirectoryW", ::GetLastError());
    }
    return std::wstring(folder, length) + L"\\regedit.exe";
}

DWORD RunRegistryEditor(std::wstring_view arguments, std::chrono::milliseconds timeout)
{
    const std::wstring commandLine = L"\"" + RegistryEditorPath() + L"\" " + std::wstring(arguments);
    const OwnedProcess process = [&] {
        // Only for the start: the driver's own later loads must come from its own folders.
        const FileSystemRedirectionOff redirectionOff;
        return StartProcess(commandLine);
    }();
    if (!WaitForEnd(process, timeout)) {
        ::TerminateProcess(process.Process(), 1);
        ThrowWin32Error(L"waiting for " + commandLine, WAIT_TIMEOUT);
    }
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.Process(), &exitCode);
    return exitCode;
}

std::wstring ImageNameOf(DWORD processId)
{
    const UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) {
        return {};
    }
    wchar_t path[MAX_PATH];
    DWORD size = MAX_PATH;
    if (!::QueryFullProcessImageNameW(process.get(), 0, path, &size)) {
        return {};
    }
    const std::wstring_view full(path, size);
    const auto slash = full.find_last_of(L"\\/");
    return std::wstring(slash == std::wstring_view::npos ? full : full.substr(slash + 1));
}

} // namespace hivedrive
