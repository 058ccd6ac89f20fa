#include "platform/win32/Win32Processes.h"

#include "platform/win32/UniqueResource.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Wow64.h"

#include <array>
#include <optional>

#include <utility>
#include <vector>

namespace hivetidy::win32 {

namespace {

// Dispatches the WM_PAINT messages of this thread's windows and takes no other message off the
// queue. A window that does not validate itself gets no second WM_PAINT: DispatchMessageW
// validates what its procedure left invalid.
void DispatchPaintMessages() noexcept
{
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) {
        DispatchMessageW(&message);
    }
}

class Win32StartedProcess final : public StartedProcess {
public:
    explicit Win32StartedProcess(UniqueProcessInformation process) : m_process(std::move(process)) {}

    [[nodiscard]] std::uint32_t Id() const override { return m_process.ProcessId(); }

    // Keeps this thread's windows painted while it waits; no other message is taken off the queue,
    // so no click, tick or posted message is handled before the process has ended. It throws nothing,
    // as a window procedure may be below it on the stack.
    [[nodiscard]] std::uint32_t Wait() noexcept override
    {
        const HANDLE process = m_process.Process();
        for (;;) {
            // First the paints already due: MsgWaitForMultipleObjects wakes only for those that
            // arrive after the queue was last looked at.
            DispatchPaintMessages();
            const DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_PAINT);
            if (woken == WAIT_OBJECT_0) {
                break;
            }
            if (woken != WAIT_OBJECT_0 + 1) {
                return 0;
            }
        }
        DWORD exitCode = 0;
        if (!GetExitCodeProcess(process, &exitCode)) {
            return 0;
        }
        return exitCode;
    }

private:
    UniqueProcessInformation m_process;
};

// A folder of the system's, without a trailing backslash; nullopt when it cannot be had.
template <class Query>
std::optional<std::wstring> SystemFolder(Query query)
{
    std::array<wchar_t, MAX_PATH + 1> buffer{};
    const UINT length = query(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length == 0 || length >= buffer.size()) {
        return std::nullopt;
    }
    std::wstring folder(buffer.data(), length);
    if (folder.back() == L'\\') {
        folder.pop_back();
    }
    return folder;
}

// CreateProcessW with a normal window that takes the focus, whatever this program was started
// with. Only an application name that is a full path is ever searched for nowhere.
std::optional<UniqueProcessInformation> CreateProcessFor(const wchar_t* application, std::string_view commandLine,
                                                         DWORD flags, const wchar_t* currentDirectory)
{
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    const std::wstring wide = Widen(commandLine);
    std::vector<wchar_t> writable(wide.begin(), wide.end());
    writable.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;

    PROCESS_INFORMATION info{};
    if (!CreateProcessW(application, writable.data(), nullptr, nullptr, FALSE, flags, nullptr, currentDirectory,
                        &startup, &info)) {
        return std::nullopt;
    }
    return UniqueProcessInformation(info);
}

} // namespace

std::unique_ptr<StartedProcess> Win32Processes::Start(std::string_view commandLine)
{
    auto process = CreateProcessFor(nullptr, commandLine, 0, nullptr);
    if (!process) {
        return nullptr;
    }
    return std::make_unique<Win32StartedProcess>(std::move(*process));
}

std::unique_ptr<StartedProcess> Win32Processes::StartRegistryEditor(std::string_view commandLine)
{
    // GetSystemWindowsDirectoryW, not GetWindowsDirectoryW: under Terminal Services the latter is a
    // folder of the user's own.
    const auto windowsFolder = SystemFolder(GetSystemWindowsDirectoryW);
    const auto systemFolder = SystemFolder(GetSystemDirectoryW);
    if (!windowsFolder || !systemFolder) {
        return nullptr;
    }
    const std::wstring editor = *windowsFolder + L"\\regedit.exe";

    // Started suspended, so that a 32-bit editor never runs: it sees only the 32-bit view and its
    // export would name those keys by their plain names.
    std::optional<UniqueProcessInformation> process;
    {
        // For a 32-bit program Windows turns %windir%\regedit.exe into SysWOW64\regedit.exe; the
        // redirector is off for this one start, on this thread only.
        const FileSystemRedirectionOff redirectionOff;
        if (!redirectionOff) {
            return nullptr;
        }
        process = CreateProcessFor(editor.c_str(), commandLine, CREATE_SUSPENDED, systemFolder->c_str());
    }
    if (!process) {
        return nullptr;
    }
    if (IsWindows64() && IsWow64Program(process->Process())) {
        (void)TerminateProcess(process->Process(), 1);
        (void)WaitForSingleObject(process->Process(), INFINITE);
        return nullptr;
    }
    if (ResumeThread(process->Thread()) == static_cast<DWORD>(-1)) {
        (void)TerminateProcess(process->Process(), 1);
        return nullptr;
    }
    return std::make_unique<Win32StartedProcess>(std::move(*process));
}

ExportFormat Win32Processes::RegistryEditorFormat() const
{
    return ExportFormat::Version5;
}

} // namespace hivetidy::win32
