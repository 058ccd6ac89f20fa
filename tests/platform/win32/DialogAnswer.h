#pragma once
// Answers a modal dialog from another thread, as a user would: the test's own thread is blocked in it.

#include "platform/win32/Win32Api.h"

#include <chrono>
#include <future>
#include <string>

namespace hivetidy::win32 {

// What was seen of the dialog before it was answered.
struct SeenDialog {
    bool found = false;
    std::wstring text; // a message box's message
    HWND owner = nullptr;
};

// Waits for a visible dialog with that title, then presses the button with that identifier on it.
[[nodiscard]] std::future<SeenDialog> AnswerDialog(std::wstring title, int button,
                                                   std::chrono::milliseconds timeout = std::chrono::seconds(20));

} // namespace hivetidy::win32
