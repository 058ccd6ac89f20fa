#pragma once
// Reading and working other processes' windows through window messages only, as a person's
// clicks and eyes would.

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace hivedrive {

// The visible top-level windows of one process, front to back.
[[nodiscard]] std::vector<HWND> VisibleTopLevelWindowsOf(DWORD processId);
// The top-level windows of one process, shown or not (a dialog is made before it is shown).
[[nodiscard]] std::vector<HWND> TopLevelWindowsOf(DWORD processId);
// The visible top-level windows of every process, front to back.
[[nodiscard]] std::vector<HWND> VisibleTopLevelWindows();
// Every window below this one, at any depth.
[[nodiscard]] std::vector<HWND> DescendantsOf(HWND window);
[[nodiscard]] DWORD ProcessOf(HWND window);
[[nodiscard]] std::wstring ClassNameOf(HWND window);
// The text the window system keeps for the window. No message is sent, so this works while the
// owning program is busy in its run or waiting for the registry editor.
[[nodiscard]] std::wstring StoredTextOf(HWND window);
// The text the window itself reports (WM_GETTEXT), for controls that keep it in a buffer of their
// own, such as an edit field; nullopt when the owner does not answer in time.
[[nodiscard]] std::optional<std::wstring> ReportedTextOf(HWND window);
// Sends a message with a time limit, so that a busy or ending program cannot hang the driver;
// nullopt when it did not answer.
std::optional<LRESULT> SendWithTimeout(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Clicks a button without waiting for what the click starts: a click on Start runs a whole
// cleaning run inside the button's handler, with modal dialogs the driver has to answer meanwhile.
void Click(HWND button);

// What the window system reports of the windows of every process, from the moment it is made: one
// made, shown, hidden, destroyed, focused, renamed or changed in state (Wine 8 reports to another
// process only the windows made and the focus moving). The reports come as messages to the thread
// that made it, so only that thread waits on it.
class WindowChanges {
public:
    WindowChanges();
    ~WindowChanges();
    WindowChanges(const WindowChanges&) = delete;
    WindowChanges& operator=(const WindowChanges&) = delete;

    // Waits until a change is reported that the last wait has not returned for, the handle (if
    // any) is signalled, or the time is up; false when the time ran out without either.
    bool WaitForChange(std::chrono::milliseconds timeout, HANDLE handle = nullptr);

private:
    HWINEVENTHOOK m_objectHook;
    HWINEVENTHOOK m_nameHook;
    unsigned long m_seen;
};

} // namespace hivedrive
