#pragma once
// What the driver's helpers throw when Windows refuses a step; GoogleTest reports it as the
// test's failure, with the message.

#include <stdexcept>
#include <string_view>

namespace hivedrive {

class DriverError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws a DriverError naming the step and the Win32 error code.
[[noreturn]] void ThrowWin32Error(std::wstring_view step, unsigned long errorCode);

} // namespace hivedrive
