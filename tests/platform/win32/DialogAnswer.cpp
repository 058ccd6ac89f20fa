#include "DialogAnswer.h"

#include <array>
#include <thread>

namespace hivetidy::win32 {

namespace {

// The static control that holds a message box's text.
constexpr int kMessageBoxTextId = 0xFFFF;

} // namespace

std::future<SeenDialog> AnswerDialog(std::wstring title, int button, std::chrono::milliseconds timeout)
{
    return std::async(std::launch::async, [title = std::move(title), button, timeout] {
        SeenDialog seen;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            const HWND dialog = FindWindowW(L"#32770", title.c_str());
            if (dialog != nullptr && IsWindowVisible(dialog)) {
                // Let the dialog finish its own start-up before it is answered.
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                std::array<wchar_t, 512> text{};
                GetDlgItemTextW(dialog, kMessageBoxTextId, text.data(), static_cast<int>(text.size()));
                seen = {true, text.data(), GetWindow(dialog, GW_OWNER)};
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
                return seen;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return seen;
    });
}

} // namespace hivetidy::win32
