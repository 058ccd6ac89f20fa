#pragma once
// The program's version: the version resource of hivetidy.exe and what the program says of itself
// take it from here, so the two never differ. Plain macros, which the resource compiler reads too.

#define HIVETIDY_VERSION_MAJOR 1
#define HIVETIDY_VERSION_MINOR 0
#define HIVETIDY_VERSION_PATCH 0
#define HIVETIDY_VERSION_BUILD 0
#define HIVETIDY_VERSION_TEXT "1.0.0.0"

#ifndef RC_INVOKED
#include <string_view>

namespace hivetidy {

inline constexpr std::string_view kVersion = HIVETIDY_VERSION_TEXT;

} // namespace hivetidy
#endif
