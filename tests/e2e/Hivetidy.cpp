#include "Hivetidy.h"

#include "DriverError.h"
#include "Polling.h"
#include "Processes.h"
#include "Text.h"
#include "WindowQueries.h"

#include <algorithm>

namespace hivedrive {

namespace {

const std::wstring kWindowClass = FromUtf8(hivetidy::kWindowClassName);
const std::wstring kWindowCaption = FromUtf8(hivetidy::kWindowCaption);

// The main window of this very process: another instance may still be ending.
HWND FindMainWindowOf(DWORD processId)
{
    for (HWND window = ::FindWindowExW(nullptr, nullptr, kWindowClass.c_str(), kWindowCaption.c_str()); window;
         window = ::FindWindowExW(nullptr, window, kWindowClass.c_str(), kWindowCaption.c_str())) {
        if (ProcessOf(window) == processId && ::IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

// Presses what a registry editor's message boxes ask or report, other than the program's own.
void AnswerRegistryEditors(DWORD programId)
{
    for (HWND window : VisibleTopLevelWindows()) {
        const DWORD owner = ProcessOf(window);
        if (owner == programId || !EqualsIgnoreCase(ImageNameOf(owner), L"regedit.exe")) {
            continue;
        }
        if (auto box = MessageBoxWindow::AnyIn(owner)) {
            box->Press(box->HasButton(IDYES) ? IDYES : IDOK);
        }
    }
}

} // namespace

Hivetidy Hivetidy::Start()
{
    const std::wstring program = ProgramUnderTest();
    OwnedProcess process = StartProcess(L"\"" + program + L"\"");
    const DWORD id = process.ProcessId();
    HWND window = PollFor([&] { return FindMainWindowOf(id); }, kWindowTimeout, 50ms, process.Process());
    if (!window) {
        ::TerminateProcess(process.Process(), 1);
        throw DriverError("no main window of " + ToUtf8(program) + " within " +
                          std::to_string(kWindowTimeout.count()) + " ms");
    }
    return Hivetidy(std::move(process), window);
}

Hivetidy::~Hivetidy()
{
    if (m_process && IsRunning()) {
        ::TerminateProcess(m_process.Process(), 1);
        ::WaitForSingleObject(m_process.Process(), 5000);
    }
}

bool Hivetidy::IsRunning() const
{
    return ::WaitForSingleObject(m_process.Process(), 0) == WAIT_TIMEOUT;
}

bool Hivetidy::WaitForEnd(std::chrono::milliseconds timeout)
{
    return hivedrive::WaitForEnd(m_process, timeout);
}

bool Hivetidy::WaitForEndConfirmingEditor(std::chrono::milliseconds timeout)
{
    return PollFor(
        [&] {
            AnswerRegistryEditors(m_process.ProcessId());
            return !IsRunning();
        },
        timeout, 100ms, m_process.Process());
}

std::optional<MessageBoxWindow> Hivetidy::WaitForEndOrMessageBoxConfirmingEditor(std::wstring_view title,
                                                                                 std::chrono::milliseconds timeout)
{
    std::optional<MessageBoxWindow> box;
    (void)PollFor(
        [&] {
            AnswerRegistryEditors(m_process.ProcessId());
            box = MessageBoxWindow::TitledIn(m_process.ProcessId(), title);
            return box || !IsRunning();
        },
        timeout, 100ms, m_process.Process());
    return box;
}

std::optional<SaveDialog> Hivetidy::WaitForSaveDialog(std::chrono::milliseconds timeout)
{
    auto dialog = PollFor([&] { return SaveDialog::FindIn(m_process.ProcessId()); }, timeout, 50ms, m_process.Process());
    if (dialog) {
        // The dialog goes on filling its fields from its folder's view once it is shown, and a name
        // typed before that is done may be overwritten: it is typed once the program waits for
        // input again.
        (void)::WaitForInputIdle(m_process.Process(), static_cast<DWORD>(kEndTimeout.count()));
    }
    return dialog;
}

std::optional<MessageBoxWindow> Hivetidy::WaitForMessageBox(std::wstring_view text, std::chrono::milliseconds timeout)
{
    return PollFor([&] { return MessageBoxWindow::FindIn(m_process.ProcessId(), text); }, timeout, 50ms,
                   m_process.Process());
}

bool Hivetidy::WaitForFinishedRun(std::chrono::milliseconds timeout)
{
    return PollFor([&] { return !IsRunning() || m_window.Caption(Control::Command2) == L"E&xit"; }, timeout, 100ms,
                   m_process.Process()) &&
           IsRunning();
}

std::optional<MessageBoxWindow> Hivetidy::WaitForRunsMessage(std::wstring_view title, std::chrono::milliseconds timeout)
{
    std::optional<MessageBoxWindow> box;
    (void)PollFor(
        [&] {
            box = MessageBoxWindow::TitledIn(m_process.ProcessId(), title);
            return box || !IsRunning() || IsIdleInFinishedState();
        },
        timeout, 100ms, m_process.Process());
    return box;
}

bool Hivetidy::IsIdleInFinishedState()
{
    if (m_window.Caption(Control::Command2) != L"E&xit" || !SendWithTimeout(m_window.Handle(), WM_NULL)) {
        return false;
    }
    // A message box's dialog is made before its modal loop answers anything, so a box on its way
    // is seen here even before Wine shows it.
    const std::vector<HWND> windows = TopLevelWindowsOf(m_process.ProcessId());
    return std::none_of(windows.begin(), windows.end(), [](HWND window) { return ClassNameOf(window) == L"#32770"; });
}

} // namespace hivedrive
