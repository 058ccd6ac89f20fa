#include "platform/win32/Win32Processes.h"

#include "platform/win32/UniqueResource.h"
#include "platform/win32/WideText.h"

#include <utility>
#include <vector>

namespace hivetidy::win32 {

namespace {

class Win32StartedProcess final : public StartedProcess {
public:
    explicit Win32StartedProcess(UniqueProcessInformation process) : m_process(std::move(process)) {}

    [[nodiscard]] std::uint32_t Id() const override { return m_process.ProcessId(); }

    [[nodiscard]] std::uint32_t Wait() override
    {
        if (WaitForSingleObject(m_process.Process(), INFINITE) != WAIT_OBJECT_0) {
            return 0;
        }
        DWORD exitCode = 0;
        if (!GetExitCodeProcess(m_process.Process(), &exitCode)) {
            return 0;
        }
        return exitCode;
    }

private:
    UniqueProcessInformation m_process;
};

} // namespace

std::unique_ptr<StartedProcess> Win32Processes::Start(std::string_view commandLine)
{
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    const std::wstring wide = Widen(commandLine);
    std::vector<wchar_t> writable(wide.begin(), wide.end());
    writable.push_back(L'\0');

    // A normal window that takes the focus, whatever this program was started with.
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;

    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return nullptr;
    }
    return std::make_unique<Win32StartedProcess>(UniqueProcessInformation(info));
}

ExportFormat Win32Processes::RegistryEditorFormat() const
{
    return ExportFormat::Version5;
}

} // namespace hivetidy::win32
