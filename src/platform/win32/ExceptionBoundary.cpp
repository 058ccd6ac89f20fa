#include "platform/win32/ExceptionBoundary.h"

#include "platform/win32/WideText.h"
#include "shared/Failure.h"

#include <string>

namespace hivetidy::win32 {

namespace {

constexpr wchar_t kBoxTitle[] = L"Hivetidy";
constexpr wchar_t kGoesOn[] = L"\n\nDas Programm l\u00e4uft weiter.";

std::wstring MessageOf(const std::exception_ptr& exception)
{
    try {
        std::rethrow_exception(exception);
    } catch (const Failure& failure) {
        return L"Der Vorgang wurde wegen eines Fehlers abgebrochen:\n" + Widen(failure.what()) + kGoesOn;
    } catch (const std::exception& unexpected) {
        return L"Unerwarteter Fehler:\n" + Widen(unexpected.what()) + kGoesOn;
    } catch (...) {
        return std::wstring(L"Unerwarteter Fehler unbekannter Art.") + kGoesOn;
    }
}

} // namespace

void ReportEscapedException(HWND owner, std::exception_ptr exception) noexcept
{
    try {
        const std::wstring text = MessageOf(exception);
        MessageBoxW(owner, text.c_str(), kBoxTitle, MB_OK | MB_ICONERROR);
    } catch (...) {
        // Building the text failed too (out of memory): a fixed text needs no allocation.
        MessageBoxW(owner, L"Unerwarteter Fehler.", kBoxTitle, MB_OK | MB_ICONERROR);
    }
}

} // namespace hivetidy::win32
