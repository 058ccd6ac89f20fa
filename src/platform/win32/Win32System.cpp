#include "platform/win32/Win32System.h"

#include "platform/win32/WideText.h"

#include "platform/win32/UniqueResource.h"
#include "platform/win32/Win32Api.h"

#include <sddl.h>

#include <array>
#include <cstdio>
#include <utility>

namespace hivetidy::win32 {

std::string Win32System::ToAnsi(std::string_view utf8)
{
    const std::wstring wide = Widen(utf8);
    if (wide.empty()) {
        return {};
    }
    // Without WC_NO_BEST_FIT_CHARS "Ā" would quietly become "A" instead of the default '?'.
    constexpr DWORD kFlags = WC_NO_BEST_FIT_CHARS;
    const int wideLength = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_ACP, kFlags, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, kFlags, wide.data(), wideLength, ansi.data(), length, nullptr, nullptr);
    return ansi;
}

std::string Win32System::FromAnsi(std::string_view ansi)
{
    if (ansi.empty()) {
        return {};
    }
    const int ansiLength = static_cast<int>(ansi.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), ansiLength, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), ansiLength, wide.data(), length);
    return Narrow(wide);
}

std::string Win32System::FormatTimeOfDay(int hours, int minutes, int seconds)
{
    // Only the time fields are formatted; the date is a valid one so that no check trips over it.
    SYSTEMTIME time{};
    time.wYear = 1899;
    time.wMonth = 12;
    time.wDay = 30;
    time.wHour = static_cast<WORD>(hours);
    time.wMinute = static_cast<WORD>(minutes);
    time.wSecond = static_cast<WORD>(seconds);
    std::array<wchar_t, 64> text{};
    const int length = GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, text.data(), static_cast<int>(text.size()));
    if (length <= 0) {
        return {};
    }
    // The length counts the terminating NUL.
    return Narrow({text.data(), static_cast<std::size_t>(length - 1)});
}

void Win32System::Beep()
{
    MessageBeep(MB_OK);
}

void Win32System::Terminate()
{
    ExitProcess(0);
}

void Win32System::Terminate(int exitCode)
{
    ExitProcess(static_cast<UINT>(exitCode));
}

std::string Win32System::ComputerName()
{
    std::array<wchar_t, MAX_COMPUTERNAME_LENGTH + 1> name{};
    DWORD length = static_cast<DWORD>(name.size());
    if (!GetComputerNameW(name.data(), &length)) {
        return {};
    }
    return Narrow({name.data(), length});
}

std::string Win32System::LocalDateTime()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", int{now.wYear}, int{now.wMonth}, int{now.wDay},
                  int{now.wHour}, int{now.wMinute}, int{now.wSecond});
    return text;
}

namespace {

// The whole machine's one run: every session sees a mutex of the global namespace.
constexpr wchar_t kRunLockName[] = L"Global\\Hivetidy.Run";
// Only Administrators and SYSTEM may open it, so that a standard user's program cannot take hold
// of an existing one. One a standard user made first (before any run) still blocks: its maker
// holds it, and runs end with "another run in progress" until that user logs off.
constexpr wchar_t kRunLockAccess[] = L"D:P(A;;GA;;;BA)(A;;GA;;;SY)";

class Win32RunLock final : public RunLock {
public:
    explicit Win32RunLock(UniqueHandle mutex) : m_mutex(std::move(mutex)) {}

private:
    UniqueHandle m_mutex;
};

} // namespace

std::unique_ptr<RunLock> Win32System::TakeRunLock()
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kRunLockAccess, SDDL_REVISION_1, &descriptor, nullptr)) {
        descriptor = nullptr; // the default access list of an elevated program serves as well
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    // The lock is the mutex's being there, not its ownership: it lives exactly as long as some
    // program keeps a handle on it, and a program that ends, however, lets it go with its handles.
    UniqueHandle mutex(CreateMutexW(&attributes, FALSE, kRunLockName));
    const DWORD error = GetLastError();
    if (descriptor != nullptr) {
        LocalFree(descriptor);
    }
    // Made by someone else (ERROR_ALREADY_EXISTS), or there and closed to us (access denied).
    if (!mutex || error == ERROR_ALREADY_EXISTS) {
        return nullptr;
    }
    return std::make_unique<Win32RunLock>(std::move(mutex));
}

} // namespace hivetidy::win32
