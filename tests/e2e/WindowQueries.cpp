#include "WindowQueries.h"

namespace hivedrive {

namespace {

constexpr UINT kAnswerTimeoutMs = 5000;

struct TopLevelSearch {
    DWORD processId;
    bool anyProcess;
    std::vector<HWND> found;
    bool hiddenToo = false;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM parameter)
{
    auto& search = *reinterpret_cast<TopLevelSearch*>(parameter);
    if ((search.hiddenToo || ::IsWindowVisible(window)) && (search.anyProcess || ProcessOf(window) == search.processId)) {
        search.found.push_back(window);
    }
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM parameter)
{
    reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> VisibleTopLevelWindowsOf(DWORD processId)
{
    TopLevelSearch search{processId, false, {}};
    ::EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId)
{
    TopLevelSearch search{processId, false, {}, true};
    ::EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> VisibleTopLevelWindows()
{
    TopLevelSearch search{0, true, {}};
    ::EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> DescendantsOf(HWND window)
{
    std::vector<HWND> found;
    ::EnumChildWindows(window, &CollectChild, reinterpret_cast<LPARAM>(&found));
    return found;
}

DWORD ProcessOf(HWND window)
{
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    return processId;
}

std::wstring ClassNameOf(HWND window)
{
    wchar_t name[256];
    const int length = ::GetClassNameW(window, name, 256);
    return std::wstring(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::wstring StoredTextOf(HWND window)
{
    wchar_t text[1024];
    const int length = ::GetWindowTextW(window, text, 1024);
    return std::wstring(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::optional<std::wstring> ReportedTextOf(HWND window)
{
    wchar_t text[1024];
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                               kAnswerTimeoutMs, &length)) {
        return std::nullopt;
    }
    return std::wstring(text, static_cast<std::size_t>(length));
}

std::optional<LRESULT> SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

void Click(HWND button)
{
    ::PostMessageW(button, BM_CLICK, 0, 0);
}

} // namespace hivedrive
