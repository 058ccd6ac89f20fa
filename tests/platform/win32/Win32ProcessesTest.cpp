#include "platform/win32/Win32Processes.h"

#include "platform/win32/UniqueResource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace hivetidy::win32 {
namespace {

// A shown window of the test's thread that counts the paints and the WM_USER messages it is given.
class CountingWindow {
public:
    CountingWindow()
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        RegisterClassW(&windowClass);
        m_window.reset(CreateWindowExW(0, kClassName, L"Warten", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr,
                                       nullptr, GetModuleHandleW(nullptr), this));
        ShowWindow(m_window.get(), SW_SHOWNOACTIVATE);
        UpdateWindow(m_window.get());
        // Whatever showing it left in the queue is handled now, before the test begins.
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        paints = 0;
    }
    ~CountingWindow()
    {
        m_window.reset();
        UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
    }
    CountingWindow(const CountingWindow&) = delete;
    CountingWindow& operator=(const CountingWindow&) = delete;

    [[nodiscard]] HWND Handle() const { return m_window.get(); }

    std::atomic<int> paints{0};
    std::atomic<int> userMessages{0};
    UniqueHandle painted{CreateEventW(nullptr, FALSE, FALSE, nullptr)};

private:
    static constexpr wchar_t kClassName[] = L"HivetidyWartetest";

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
    {
        if (message == WM_NCCREATE) {
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<CountingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == WM_PAINT) {
            PAINTSTRUCT paint{};
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            ++self->paints;
            SetEvent(self->painted.get());
            return 0;
        }
        if (self && message == WM_USER) {
            ++self->userMessages;
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    UniqueWindow m_window;
};

TEST(Win32ProcessesTest, WaitReturnsTheExitCodeOfTheStartedProgram)
{
    Win32Processes processes;

    auto process = processes.Start("cmd.exe /c exit 3");

    ASSERT_NE(process, nullptr);
    EXPECT_NE(process->Id(), 0u);
    EXPECT_EQ(process->Wait(), 3u);
    EXPECT_EQ(process->Wait(), 3u);
}

// While the registry editor runs, the window stays painted, and nothing else of its queue moves.
TEST(Win32ProcessesTest, WaitKeepsTheWindowsPaintedAndLeavesEveryOtherMessageQueued)
{
    CountingWindow window;
    ASSERT_NE(window.Handle(), nullptr);
    ASSERT_TRUE(PostMessageW(window.Handle(), WM_USER, 0, 0));
    Win32Processes processes;
    auto process = processes.Start("cmd.exe /c ping -n 30 127.0.0.1 > nul");
    ASSERT_NE(process, nullptr);

    // A paint that is due when the wait begins, and that the queue has been looked at since (as
    // the core disables its buttons right before it waits). Then another thread makes the window
    // invalid while Wait waits: only Wait can have dispatched the first paint, so it has begun.
    // Then that thread ends the program.
    InvalidateRect(window.Handle(), nullptr, TRUE);
    MSG none{};
    PeekMessageW(&none, nullptr, WM_APP, WM_APP, PM_NOREMOVE);
    int paintsSeen = 0;
    std::thread painter([&window, &paintsSeen, processId = process->Id()] {
        for (; paintsSeen < 2; ++paintsSeen) {
            if (paintsSeen > 0) {
                ResetEvent(window.painted.get());
                InvalidateRect(window.Handle(), nullptr, TRUE);
            }
            if (WaitForSingleObject(window.painted.get(), 5000) != WAIT_OBJECT_0) {
                break;
            }
        }
        const UniqueHandle running(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
        TerminateProcess(running.get(), 7);
    });
    const std::uint32_t exitCode = process->Wait();
    painter.join();

    EXPECT_EQ(exitCode, 7u);
    EXPECT_EQ(paintsSeen, 2);
    EXPECT_EQ(window.userMessages, 0);
    MSG posted{};
    EXPECT_TRUE(PeekMessageW(&posted, window.Handle(), WM_USER, WM_USER, PM_REMOVE));
}

TEST(Win32ProcessesTest, AProgramThatIsNotThereDoesNotStart)
{
    Win32Processes processes;

    EXPECT_EQ(processes.Start("hivetidy-kein-solches-programm.exe /e"), nullptr);
    EXPECT_EQ(processes.Start(""), nullptr);
}

TEST(Win32ProcessesTest, TheRegistryEditorExportsInFormatVersion5)
{
    EXPECT_EQ(Win32Processes().RegistryEditorFormat(), ExportFormat::Version5);
}

} // namespace
} // namespace hivetidy::win32
