#pragma once
// hivetidy.exe as a user starts it: its process and, once it is up, its main window.

#include "Dialogs.h"
#include "Form1Window.h"
#include "UniqueHandle.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace hivedrive {

class Hivetidy {
public:
    // Starts the program and waits until its main window is shown; throws when it does not come.
    [[nodiscard]] static Hivetidy Start();

    Hivetidy(Hivetidy&&) noexcept = default;
    Hivetidy& operator=(Hivetidy&&) noexcept = default;
    // A program that still runs is ended: a failed test must not leave it behind for the next one.
    ~Hivetidy();

    [[nodiscard]] DWORD Id() const { return m_process.ProcessId(); }
    [[nodiscard]] Form1Window& Window() { return m_window; }
    [[nodiscard]] bool IsRunning() const;
    [[nodiscard]] bool WaitForEnd(std::chrono::milliseconds timeout);
    // Waits for the end, answering what the registry editor asks meanwhile (its import may ask
    // before and report after, depending on the editor).
    [[nodiscard]] bool WaitForEndConfirmingEditor(std::chrono::milliseconds timeout);
    // The same, unless the program shows a message box of its own with this title first: that box;
    // nullopt when the program ended, or did neither in time.
    [[nodiscard]] std::optional<MessageBoxWindow> WaitForEndOrMessageBoxConfirmingEditor(
        std::wstring_view title, std::chrono::milliseconds timeout);
    [[nodiscard]] std::optional<SaveDialog> WaitForSaveDialog(std::chrono::milliseconds timeout);
    [[nodiscard]] std::optional<MessageBoxWindow> WaitForMessageBox(std::wstring_view text, std::chrono::milliseconds timeout);
    // Waits until the run has finished: Command2 then reads "E&xit".
    [[nodiscard]] bool WaitForFinishedRun(std::chrono::milliseconds timeout);
    // Waits until the run shows the message box with this title that it ends with; nullopt when it
    // finished and waits for the user without one, ended, or did neither in time.
    [[nodiscard]] std::optional<MessageBoxWindow> WaitForRunsMessage(std::wstring_view title,
                                                                     std::chrono::milliseconds timeout);

private:
    // Finished, answering the window's messages and with no dialog made, shown or not: the run's
    // handler has returned without a message box.
    [[nodiscard]] bool IsIdleInFinishedState();

    Hivetidy(OwnedProcess process, HWND window) : m_process(std::move(process)), m_window(window) {}

    OwnedProcess m_process;
    Form1Window m_window;
};

} // namespace hivedrive
