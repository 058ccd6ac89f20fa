#pragma once
// 64-bit Windows as a 32-bit program sees it: whether the machine is 64-bit, and the file-system
// redirector that turns %windir%\regedit.exe and System32 into their 32-bit copies.

#include "platform/win32/Win32Api.h"

namespace hivetidy::win32 {

// True on 64-bit Windows, for either build: the 64-bit build, or the 32-bit one under WOW64.
[[nodiscard]] bool IsWindows64();

// Whether a started process is a 32-bit one on 64-bit Windows; false on 32-bit Windows.
[[nodiscard]] bool IsWow64Program(HANDLE process);

// Turns the file-system redirector off for this thread while it lives, and on again after. Does
// nothing where there is none (the 64-bit build, 32-bit Windows). Keep it to one call: while it
// lives, even DLLs this thread loads come from the 64-bit folders.
class FileSystemRedirectionOff {
public:
    FileSystemRedirectionOff();
    ~FileSystemRedirectionOff();

    FileSystemRedirectionOff(const FileSystemRedirectionOff&) = delete;
    FileSystemRedirectionOff& operator=(const FileSystemRedirectionOff&) = delete;

    // False when the redirector is there but could not be turned off.
    [[nodiscard]] explicit operator bool() const { return m_ok; }

private:
    PVOID m_previous = nullptr;
    bool m_turnedOff = false;
    bool m_ok = true;
};

} // namespace hivetidy::win32
