#pragma once
// No exception crosses a window procedure or a Win32 callback: each one is caught here, shown to
// the user in German, and the program keeps running.

#include "platform/win32/Win32Api.h"

#include <exception>
#include <utility>

namespace hivetidy::win32 {

// Tells the user, in a message box owned by `owner`, which exception reached the boundary.
void ReportEscapedException(HWND owner, std::exception_ptr exception) noexcept;

// Runs the call; an exception it throws is reported and goes no further.
template <class Call>
void CallGuarded(HWND owner, Call&& call) noexcept
{
    try {
        std::forward<Call>(call)();
    } catch (...) {
        ReportEscapedException(owner, std::current_exception());
    }
}

} // namespace hivetidy::win32
