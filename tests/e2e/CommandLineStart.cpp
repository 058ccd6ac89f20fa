#include "CommandLineStart.h"

#include "Dialogs.h"
#include "DriverError.h"
#include "Files.h"
#include "Processes.h"
#include "Text.h"
#include "WindowQueries.h"

#include <algorithm>
#include <iterator>
#include <map>

namespace hivedrive {

namespace {

// How often the windows are looked at while the program runs: the wait for its end returns at
// once when it ends, so this only bounds how briefly a window may show and still be seen.
constexpr DWORD kWindowLookInterval = 10;

// Notes the visible windows of the program and of registry editors; presses what an editor asks.
class WindowWatch {
public:
    explicit WindowWatch(DWORD programId) : m_programId(programId) {}

    void Look()
    {
        for (HWND window : VisibleTopLevelWindows()) {
            const DWORD owner = ProcessOf(window);
            const bool editor = owner != m_programId && IsRegistryEditor(owner);
            if (owner != m_programId && !editor) {
                continue;
            }
            const std::wstring seen = ClassNameOf(window) + L" \"" + StoredTextOf(window) + L"\"";
            if (std::find(m_seen.begin(), m_seen.end(), seen) == m_seen.end()) {
                m_seen.push_back(seen);
            }
            if (editor) {
                if (auto box = MessageBoxWindow::AnyIn(owner)) {
                    box->Press(box->HasButton(IDYES) ? IDYES : IDOK);
                }
            }
        }
    }

    [[nodiscard]] const std::vector<std::wstring>& Seen() const { return m_seen; }

private:
    [[nodiscard]] bool IsRegistryEditor(DWORD processId)
    {
        auto known = m_editors.find(processId);
        if (known == m_editors.end()) {
            known = m_editors.emplace(processId, EqualsIgnoreCase(ImageNameOf(processId), L"regedit.exe")).first;
        }
        return known->second;
    }

    DWORD m_programId;
    std::map<DWORD, bool> m_editors;
    std::vector<std::wstring> m_seen;
};

} // namespace

std::vector<std::wstring> CommandLineOutcome::Lines() const
{
    return SplitLines(FromUtf8(output));
}

std::vector<std::wstring> CommandLineOutcome::KeyLines() const
{
    return KeyLinesOf(Lines());
}

std::string Shown(const CommandLineOutcome& outcome)
{
    std::string seen;
    for (const std::wstring& window : outcome.windowsSeen) {
        seen += "\n  " + ToUtf8(window);
    }
    return "\nexit code " + std::to_string(outcome.exitCode) + ", output:\n" + outcome.output +
           (seen.empty() ? std::string() : "\nwindows seen:" + seen);
}

std::vector<std::wstring> KeyLinesOf(const std::vector<std::wstring>& lines)
{
    std::vector<std::wstring> keys;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(keys),
                 [](const std::wstring& line) { return line.starts_with(L'[') && line.ends_with(L']'); });
    return keys;
}

CommandLineOutcome RunHivetidyWith(std::wstring_view arguments, std::chrono::milliseconds timeout,
                                   const std::wstring& folder)
{
    const std::wstring outputPath = ScratchFolder(L"command-line") + L"\\output.txt";
    CommandLineOutcome outcome;
    {
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        const UniqueFile output(::CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!output) {
            ThrowWin32Error(L"CreateFileW " + outputPath, ::GetLastError());
        }
        const std::wstring commandLine = L"\"" + ProgramUnderTest() + L"\" " + std::wstring(arguments);
        const OwnedProcess process = StartProcessWritingTo(commandLine, output.get(), folder);
        WindowWatch watch(process.ProcessId());
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            watch.Look();
            if (::WaitForSingleObject(process.Process(), kWindowLookInterval) == WAIT_OBJECT_0) {
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                ::TerminateProcess(process.Process(), 1);
                ::WaitForSingleObject(process.Process(), static_cast<DWORD>(kEndTimeout.count()));
                std::string seen;
                for (const std::wstring& window : watch.Seen()) {
                    seen += "\n  " + ToUtf8(window);
                }
                throw DriverError("hivetidy.exe " + ToUtf8(arguments) + " did not end within " +
                                  std::to_string(timeout.count()) + " ms; windows seen:" + seen);
            }
        }
        ::GetExitCodeProcess(process.Process(), &outcome.exitCode);
        outcome.windowsSeen = watch.Seen();
    }
    outcome.output = ReadBytes(outputPath).value_or(std::string());
    return outcome;
}

} // namespace hivedrive
