#include "platform/win32/Win32System.h"

#include "platform/win32/WideText.h"

#include "platform/win32/Win32Api.h"

#include <array>

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

} // namespace hivetidy::win32
