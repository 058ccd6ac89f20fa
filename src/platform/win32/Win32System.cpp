#include "platform/win32/Win32System.h"

#include "platform/win32/WideText.h"

#include "platform/win32/AdminOnlyFile.h"
#include "platform/win32/UniqueResource.h"
#include "platform/win32/Win32Api.h"

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

// The whole machine's one run: a file in the working folder, open without sharing while the run
// lasts and gone with its last handle. Any user could make a named object of the global namespace
// first and so stop every run; the working folder and the file are open to administrators and
// SYSTEM alone, so only they can take the lock.
constexpr wchar_t kRunLockPath[] = L"C:\\REGISTRY\\HIVETIDY.LCK";

class Win32RunLock final : public RunLock {
public:
    explicit Win32RunLock(UniqueFile file) : m_file(std::move(file)) {}

private:
    UniqueFile m_file;
};

} // namespace

std::unique_ptr<RunLock> Win32System::TakeRunLock()
{
    // No sharing at all: while one run has it open, nobody else can open it, and it is deleted
    // with the handle, however the program ends.
    UniqueFile file = OpenAdminOnlyFile(kRunLockPath, GENERIC_READ | GENERIC_WRITE | DELETE, 0, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE);
    if (!file) {
        return nullptr;
    }
    return std::make_unique<Win32RunLock>(std::move(file));
}

} // namespace hivetidy::win32
