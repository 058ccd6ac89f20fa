#include "platform/win32/Wow64.h"

namespace hivetidy::win32 {

bool IsWindows64()
{
#ifdef _WIN64
    return true;
#else
    // A 32-bit program runs under WOW64 exactly when Windows is 64-bit.
    static const bool windows64 = IsWow64Program(GetCurrentProcess());
    return windows64;
#endif
}

bool IsWow64Program(HANDLE process)
{
    BOOL wow64 = FALSE;
    return ::IsWow64Process(process, &wow64) && wow64;
}

FileSystemRedirectionOff::FileSystemRedirectionOff()
{
#ifndef _WIN64
    if (IsWindows64()) {
        m_turnedOff = Wow64DisableWow64FsRedirection(&m_previous) != FALSE;
        m_ok = m_turnedOff;
    }
#endif
}

FileSystemRedirectionOff::~FileSystemRedirectionOff()
{
#ifndef _WIN64
    if (m_turnedOff) {
        (void)Wow64RevertWow64FsRedirection(m_previous);
    }
#endif
}

} // namespace hivetidy::win32
