#pragma once
// Text in the driver is UTF-16, as the window and registry functions take it; UTF-8 only for
// messages, the ANSI code page only where a file of the program demands it.

#include <string>
#include <string_view>
#include <vector>

namespace hivedrive {

[[nodiscard]] std::string ToUtf8(std::wstring_view text);
[[nodiscard]] std::wstring FromUtf8(std::string_view text);
// The bytes of the text in the system's ANSI code page, as the program writes its removal log.
[[nodiscard]] std::string ToAnsi(std::wstring_view text);
[[nodiscard]] std::wstring FromAnsi(std::string_view bytes);
// The text as UTF-16 little-endian bytes, the registry editor's export encoding.
[[nodiscard]] std::string ToUtf16LeBytes(std::wstring_view text);
[[nodiscard]] std::wstring FromUtf16LeBytes(std::string_view bytes);

// Equal ignoring letter case, as Windows compares key names.
[[nodiscard]] bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);
[[nodiscard]] bool StartsWithIgnoreCase(std::wstring_view text, std::wstring_view prefix);
[[nodiscard]] bool ContainsIgnoreCase(std::wstring_view text, std::wstring_view part);

// The lines of a text, split at CR LF; a last line without its line end is kept as it is.
[[nodiscard]] std::vector<std::wstring> SplitLines(std::wstring_view text);

} // namespace hivedrive
