#include "Wow64.h"

#include "DriverError.h"

#include <windows.h>

namespace hivedrive {

bool IsWindows64()
{
#ifdef _WIN64
    return true;
#else
    // A 32-bit process runs under WOW64 exactly when Windows is 64-bit.
    static const bool windows64 = [] {
        BOOL wow64 = FALSE;
        return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
    }();
    return windows64;
#endif
}

FileSystemRedirectionOff::FileSystemRedirectionOff()
{
#ifndef _WIN64
    if (IsWindows64()) {
        if (!::Wow64DisableWow64FsRedirection(&m_previous)) {
            ThrowWin32Error(L"Wow64DisableWow64FsRedirection", ::GetLastError());
        }
        m_turnedOff = true;
    }
#endif
}

FileSystemRedirectionOff::~FileSystemRedirectionOff()
{
#ifndef _WIN64
    if (m_turnedOff) {
        ::Wow64RevertWow64FsRedirection(m_previous);
    }
#endif
}

} // namespace hivedrive
