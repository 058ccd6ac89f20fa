#include "ToolTiming.h"

#include "DriverError.h"
#include "Files.h"
#include "Processes.h"
#include "Text.h"
#include "UniqueHandle.h"
#include "Wow64.h"

#include <chrono>

namespace hivebench {

namespace {

using hivedrive::DriverError;
using hivedrive::ToUtf8;
using hivedrive::UniqueHandle;

// Long enough for reg.exe to list 20,000 classes on a busy machine.
constexpr DWORD kToolTimeoutMs = 20 * 60 * 1000;

std::wstring WindowsFolder()
{
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        hivedrive::ThrowWin32Error(L"GetSystemWindowsDirectoryW", ::GetLastError());
    }
    return std::wstring(folder, length);
}

std::uint64_t SizeOf(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

UniqueHandle InheritableFile(const std::wstring& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE raw = ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, disposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw == INVALID_HANDLE_VALUE) {
        hivedrive::ThrowWin32Error(L"CreateFileW " + path, ::GetLastError());
    }
    return UniqueHandle(raw);
}

// Runs the command line to its end, the standard output and error into the file when one is
// named; the time from the start to the end, in milliseconds.
double RunTimed(std::wstring commandLine, const std::wstring& outputFile)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    UniqueHandle input;
    UniqueHandle output;
    DWORD flags = 0;
    if (!outputFile.empty()) {
        input = InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
        output = InheritableFile(outputFile, GENERIC_WRITE, CREATE_ALWAYS);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input.get();
        startup.hStdOutput = output.get();
        startup.hStdError = output.get();
        // No console of its own: Wine would start a console host for it, beside the measurement.
        flags = DETACHED_PROCESS;
    }
    PROCESS_INFORMATION info{};
    const auto started = std::chrono::steady_clock::now();
    {
        // On 64-bit Windows the 64-bit tools, also for the 32-bit benchmark.
        const hivedrive::FileSystemRedirectionOff redirectionOff;
        if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, !outputFile.empty(), flags, nullptr,
                              L"C:\\", &startup, &info)) {
            hivedrive::ThrowWin32Error(L"CreateProcessW " + commandLine, ::GetLastError());
        }
    }
    const hivedrive::OwnedProcess process(info);
    if (::WaitForSingleObject(process.Process(), kToolTimeoutMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.Process(), 1);
        throw DriverError("did not end in time: " + ToUtf8(commandLine));
    }
    const auto ended = std::chrono::steady_clock::now();
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.Process(), &exitCode);
    if (exitCode != 0) {
        throw DriverError("ended with exit code " + std::to_string(exitCode) + ": " + ToUtf8(commandLine));
    }
    return std::chrono::duration<double, std::milli>(ended - started).count();
}

} // namespace

std::optional<Tool> ToolNamed(std::wstring_view name)
{
    if (name == L"reg") {
        return Tool::RegQuery;
    }
    if (name == L"regedit") {
        return Tool::RegeditExport;
    }
    return std::nullopt;
}

const char* NameOf(Tool tool)
{
    return tool == Tool::RegQuery ? "reg" : "regedit";
}

ToolResult TimeTool(Tool tool, const std::vector<WalkedTree>& trees)
{
    const std::wstring scratch = hivedrive::ScratchFolder(L"hivebench-tools");
    const std::wstring windows = WindowsFolder();
    ToolResult result;
    for (std::size_t i = 0; i < trees.size(); ++i) {
        const std::wstring& key = trees[i].fullName;
        const std::wstring file = scratch + L"\\tree" + std::to_wstring(i) + (tool == Tool::RegQuery ? L".txt" : L".reg");
        double milliseconds = 0;
        if (tool == Tool::RegQuery) {
            milliseconds = RunTimed(L"\"" + windows + L"\\system32\\reg.exe\" query \"" + key + L"\" /s", file);
        } else {
            milliseconds = RunTimed(L"\"" + windows + L"\\regedit.exe\" /e \"" + file + L"\" \"" + key + L"\"", L"");
        }
        const std::uint64_t written = SizeOf(file);
        if (written == 0) {
            throw DriverError(std::string(NameOf(tool)) + " wrote nothing for " + ToUtf8(key));
        }
        result.treeMilliseconds.push_back(milliseconds);
        result.milliseconds += milliseconds;
        result.outputBytes += written;
        ::DeleteFileW(file.c_str());
    }
    return result;
}

} // namespace hivebench
