#include "WindowQueries.h"

namespace hivedrive {

namespace {

constexpr UINT kAnswerTimeoutMs = 5000;

// The reports counted on this thread; a wait returns once the count has moved on.
thread_local unsigned long t_windowChanges = 0;

void CALLBACK CountWindowChange(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) noexcept
{
    ++t_windowChanges;
}

// Out-of-context reports are delivered while the thread takes its messages, so they are taken
// until none are left; the driver has no windows, so nothing else arrives.
void TakeMessages()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::DispatchMessageW(&message);
    }
}

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

// From EVENT_OBJECT_CREATE to EVENT_OBJECT_STATECHANGE and EVENT_OBJECT_NAMECHANGE alone: the
// location changes between them come with every move of any window and say nothing the driver
// waits for.
WindowChanges::WindowChanges()
    : m_objectHook(::SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_STATECHANGE, nullptr, &CountWindowChange, 0, 0,
                                     WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS)),
      m_nameHook(::SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, &CountWindowChange, 0, 0,
                                   WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS)),
      m_seen(t_windowChanges)
{
}

WindowChanges::~WindowChanges()
{
    for (HWINEVENTHOOK hook : {m_objectHook, m_nameHook}) {
        if (hook) {
            ::UnhookWinEvent(hook);
        }
    }
    // Reports still queued for the hooks are taken now, not by some later wait of this thread.
    TakeMessages();
}

bool WindowChanges::WaitForChange(std::chrono::milliseconds timeout, HANDLE handle)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        TakeMessages();
        if (t_windowChanges != m_seen) {
            m_seen = t_windowChanges;
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        const DWORD count = handle ? 1 : 0;
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(count, handle ? &handle : nullptr, static_cast<DWORD>(left.count()),
                                                          QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (handle && woken == WAIT_OBJECT_0) {
            return true;
        }
        if (woken == WAIT_TIMEOUT) {
            TakeMessages();
            if (t_windowChanges != m_seen) {
                m_seen = t_windowChanges;
                return true;
            }
            return false;
        }
        if (woken == WAIT_FAILED) {
            // Without a wait to rely on, the time is waited out as a plain poll would.
            ::Sleep(static_cast<DWORD>(left.count()));
            return false;
        }
    }
}

} // namespace hivedrive
