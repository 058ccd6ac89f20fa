#include "DriverError.h"

#include "Text.h"

#include <string>

namespace hivedrive {

void ThrowWin32Error(std::wstring_view step, unsigned long errorCode)
{
    throw DriverError(ToUtf8(step) + " failed (error " + std::to_string(errorCode) + ")");
}

} // namespace hivedrive
