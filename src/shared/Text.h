#pragma once
// Text in the core is UTF-8. Comparisons ignore letter case the way Windows' own text compare
// does: by upper-casing each character, not just ASCII ("Ä" equals "ä", "C:\PROGRAMME" equals
// "C:\Programme").

#include <cstddef>
#include <string>
#include <string_view>

namespace hivetidy {

// The upper-case form of one Unicode code point (simple, one-to-one mapping; others unchanged).
[[nodiscard]] char32_t UpperCaseOf(char32_t codePoint);

// The text with every character upper-cased; invalid UTF-8 bytes are kept as they are.
[[nodiscard]] std::string ToUpperText(std::string_view text);

// True when both texts are equal ignoring letter case.
[[nodiscard]] bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// True when `needle` occurs anywhere in `text`, ignoring letter case.
[[nodiscard]] bool ContainsIgnoreCase(std::string_view text, std::string_view needle);

// UTF-8 to UTF-16 and back; an invalid sequence becomes U+FFFD, a lone surrogate too.
[[nodiscard]] std::u16string Utf8ToUtf16(std::string_view text);
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view text);

// UTF-16 code units as little-endian bytes and back (an odd last byte is dropped).
[[nodiscard]] std::string Utf16ToLeBytes(std::u16string_view text);
[[nodiscard]] std::u16string LeBytesToUtf16(std::string_view bytes);
// UTF-16LE bytes up to the first NUL (or the end; an odd last byte is left out) as UTF-8, as
// Utf16ToUtf8 makes it.
[[nodiscard]] std::string LeBytesTextToUtf8(std::string_view bytes);

} // namespace hivetidy
