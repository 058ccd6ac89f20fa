#include "ScanTiming.h"

#include "Dialogs.h"
#include "DriverError.h"
#include "Files.h"
#include "Form1Window.h"
#include "Polling.h"
#include "Processes.h"
#include "RunFiles.h"
#include "Text.h"
#include "WindowQueries.h"

#include <windows.h>
#include <psapi.h>

namespace hivebench {

namespace {

using hivedrive::Control;
using hivedrive::DriverError;
using hivedrive::OwnedProcess;
using hivedrive::ToUtf8;
using Clock = std::chrono::steady_clock;

// A run of 20,000 classes under a slow program on a busy machine still ends well within this.
constexpr std::chrono::minutes kScanTimeout{30};
// How often a message box is looked for meanwhile: each look lists every window.
constexpr std::chrono::seconds kMessageBoxCheckInterval{1};
// How long a message box is waited for after the finished state; the program shows it at once.
constexpr std::chrono::seconds kFailureReportGrace{1};

// The main window of this very process.
HWND MainWindowOf(DWORD processId)
{
    const std::wstring windowClass = hivedrive::FromUtf8(hivetidy::kWindowClassName);
    const std::wstring caption = hivedrive::FromUtf8(hivetidy::kWindowCaption);
    for (HWND window = ::FindWindowExW(nullptr, nullptr, windowClass.c_str(), caption.c_str()); window;
         window = ::FindWindowExW(nullptr, window, windowClass.c_str(), caption.c_str())) {
        if (hivedrive::ProcessOf(window) == processId && ::IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

bool HasEnded(const OwnedProcess& process)
{
    return ::WaitForSingleObject(process.Process(), 0) == WAIT_OBJECT_0;
}

// The program is ended when the scan cannot be finished: the next run needs the prefix to itself.
class EndedOnFailure {
public:
    explicit EndedOnFailure(const OwnedProcess& process) : m_process(process) {}
    ~EndedOnFailure()
    {
        if (m_armed && !HasEnded(m_process)) {
            ::TerminateProcess(m_process.Process(), 1);
            ::WaitForSingleObject(m_process.Process(), 10000);
        }
    }
    EndedOnFailure(const EndedOnFailure&) = delete;
    EndedOnFailure& operator=(const EndedOnFailure&) = delete;
    void Disarm() { m_armed = false; }

private:
    const OwnedProcess& m_process;
    bool m_armed = true;
};

double MillisecondsBetween(Clock::time_point start, Clock::time_point end)
{
    return std::chrono::duration<double, std::milli>(end - start).count();
}

} // namespace

ScanResult TimeScan(const std::wstring& program, const std::wstring& backupPath)
{
    using namespace std::chrono_literals;
    ::DeleteFileW(std::wstring(hivedrive::kRemovalLogPath).c_str());
    ::DeleteFileW(backupPath.c_str());

    const OwnedProcess process = hivedrive::StartProcess(L"\"" + program + L"\"");
    EndedOnFailure guard(process);
    const DWORD id = process.ProcessId();
    HWND mainWindow = hivedrive::PollFor([&] { return MainWindowOf(id); }, hivedrive::kWindowTimeout);
    if (!mainWindow) {
        throw DriverError("no main window of " + ToUtf8(program));
    }
    hivedrive::Form1Window window(mainWindow);
    window.Click(Control::Command1);
    auto dialog = hivedrive::PollFor([&] { return hivedrive::SaveDialog::FindIn(id); }, hivedrive::kWindowTimeout);
    if (!dialog) {
        throw DriverError("Start showed no save dialog");
    }
    dialog->EnterFileName(backupPath);
    dialog->PressSave();

    // The dialog is gone when its window is: the program then has its backup file and goes on
    // with the run. Hidden is not yet gone: Wine's X11 driver then waits for the window manager to
    // confirm the hiding, and on a display without one, as Xvfb here, it waits two seconds in vain
    // before the dialog returns.
    const HWND dialogWindow = dialog->Handle();
    Clock::time_point started;
    if (!hivedrive::PollFor(
            [&] {
                started = Clock::now();
                return !::IsWindow(dialogWindow);
            },
            hivedrive::kWindowTimeout, 1ms)) {
        throw DriverError("the save dialog did not take " + ToUtf8(backupPath));
    }

    Clock::time_point finished;
    auto nextMessageBoxCheck = Clock::now() + kMessageBoxCheckInterval;
    for (;;) {
        if (window.Caption(Control::Command2) == L"E&xit") {
            finished = Clock::now();
            break;
        }
        const auto now = Clock::now();
        if (now - started > kScanTimeout) {
            throw DriverError("the run did not finish in time");
        }
        if (now >= nextMessageBoxCheck) {
            nextMessageBoxCheck = now + kMessageBoxCheckInterval;
            if (HasEnded(process)) {
                throw DriverError("the program ended during the run");
            }
            if (const auto box = hivedrive::MessageBoxWindow::AnyIn(id)) {
                throw DriverError("the run showed a message box: " + ToUtf8(box->Title()));
            }
        }
        ::Sleep(static_cast<DWORD>(kScanPollInterval.count()));
    }

    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (!::GetProcessMemoryInfo(process.Process(), &memory, sizeof memory)) {
        hivedrive::ThrowWin32Error(L"GetProcessMemoryInfo", ::GetLastError());
    }

    // A run that failed or could delete a key only in part enters the finished state too, and
    // says so in a message box right after it.
    if (const auto box = hivedrive::PollFor([&] { return hivedrive::MessageBoxWindow::AnyIn(id); },
                                            kFailureReportGrace)) {
        throw DriverError("the run showed a message box: " + ToUtf8(box->Title()));
    }

    // A benchmark prefix has nothing to remove; a run that removed something measured another run.
    const auto log = hivedrive::ReadBytes(hivedrive::kRemovalLogPath);
    if (!log) {
        throw DriverError("the run wrote no removal log");
    }
    const std::vector<std::wstring> removed = hivedrive::KeysNamedIn(*log);
    if (!removed.empty()) {
        std::string names;
        for (const std::wstring& key : removed) {
            names += "\n  " + ToUtf8(key);
        }
        throw DriverError("the run removed " + std::to_string(removed.size()) + " keys:" + names);
    }

    window.Click(Control::Command2);
    if (!hivedrive::WaitForEnd(process, hivedrive::kEndTimeout)) {
        throw DriverError("the program did not end on Exit");
    }
    guard.Disarm();
    ::DeleteFileW(backupPath.c_str());
    return {MillisecondsBetween(started, finished), memory.PeakWorkingSetSize, memory.PeakPagefileUsage};
}

} // namespace hivebench
