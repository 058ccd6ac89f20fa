#include "platform/win32/Win32Console.h"

#include "platform/win32/WideText.h"

#include <string>

namespace hivetidy::win32 {

namespace {

[[nodiscard]] bool IsConsoleHandle(HANDLE handle)
{
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != FALSE;
}

// The handle is something a write reaches: cmd's "> file" or "| more", or a starter's pipe, hands
// it over in the start-up information. A GUI exe started without one has null here, or a handle
// value left over from the parent that names nothing (FILE_TYPE_UNKNOWN).
[[nodiscard]] bool IsUsableOutput(HANDLE handle)
{
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

} // namespace

Win32Console::Win32Console()
{
    const HANDLE standardOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    if (IsUsableOutput(standardOutput)) {
        m_output = standardOutput;
        // Newer Windows hands a GUI program the starter's console handles as well, but they
        // answer as a console only once the program is attached to it; NUL is a character device
        // too, and stays one.
        if (GetFileType(standardOutput) == FILE_TYPE_CHAR && !IsConsoleHandle(standardOutput)) {
            (void)AttachConsole(ATTACH_PARENT_PROCESS);
        }
        m_isConsole = IsConsoleHandle(standardOutput);
        return;
    }
    // ERROR_ACCESS_DENIED: the process has a console already (a starter gave it one); its output
    // is reached the same way.
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) {
        return;
    }
    // The standard handles are not set by AttachConsole on every Windows version; the console's
    // own output buffer is always there by this name.
    m_consoleOutput.reset(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
    if (m_consoleOutput && IsConsoleHandle(m_consoleOutput.get())) {
        m_output = m_consoleOutput.get();
        m_isConsole = true;
    }
}

void Win32Console::WriteLine(std::string_view line)
{
    if (!m_output) {
        return;
    }
    std::string text(line);
    text += "\r\n";
    if (m_isConsole) {
        const std::wstring wide = Widen(text);
        DWORD written = 0;
        (void)WriteConsoleW(m_output, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    // A pipe may take less than the whole line at once.
    for (std::size_t done = 0; done < text.size();) {
        DWORD written = 0;
        if (!WriteFile(m_output, text.data() + done, static_cast<DWORD>(text.size() - done), &written, nullptr) ||
            written == 0) {
            return;
        }
        done += written;
    }
}

} // namespace hivetidy::win32
