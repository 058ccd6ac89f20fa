#pragma once
// The UTF-8 / UTF-16 boundary: the core speaks UTF-8, the wide Win32 APIs UTF-16.

#include <string>
#include <string_view>

namespace hivetidy::win32 {

// UTF-8 text as the wide string a W function takes.
[[nodiscard]] std::wstring Widen(std::string_view utf8);
// A wide string from a W function as UTF-8 text.
[[nodiscard]] std::string Narrow(std::wstring_view wide);

} // namespace hivetidy::win32
