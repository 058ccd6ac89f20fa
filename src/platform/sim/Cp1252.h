#pragma once
// The Western European ANSI code page (Windows-1252), the one the simulated machine runs under.

#include <string>
#include <string_view>

namespace hivetidy::sim {

// UTF-8 to Windows-1252; a character the code page lacks (or an invalid byte) becomes '?'.
[[nodiscard]] std::string Utf8ToCp1252(std::string_view utf8);

// Windows-1252 to UTF-8; the five bytes the code page leaves undefined stand for U+0081 etc.
[[nodiscard]] std::string Cp1252ToUtf8(std::string_view ansi);

} // namespace hivetidy::sim
