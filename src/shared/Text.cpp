#include "shared/Text.h"

#include <vector>

namespace hivetidy {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// In ranges where upper and lower case alternate, the upper-case letter stands at the even or the
// odd code point; the lower-case one follows it.
constexpr char32_t UpperOfPair(char32_t c, bool upperIsEven)
{
    const bool isEven = (c % 2) == 0;
    return isEven == upperIsEven ? c : c - 1;
}

struct Decoded {
    char32_t codePoint;
    std::size_t length; // bytes taken from the input; 0 marks an invalid byte
};

Decoded DecodeUtf8(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t length = 0;
    char32_t cp = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
    } else {
        return {kReplacement, 0};
    }
    if (at + length > text.size()) {
        return {kReplacement, 0};
    }
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = byte(at + i);
        if ((next & 0xC0) != 0x80) {
            return {kReplacement, 0};
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 2 && cp < 0x80) || (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return {kReplacement, 0};
    }
    return {cp, length};
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// The upper-cased code point at a position and the bytes it takes; an invalid byte stands for
// itself (as 0x110000 + byte) so that it only ever equals the same invalid byte.
struct Upper {
    char32_t codePoint;
    std::size_t length;
};

Upper UpperAt(std::string_view text, std::size_t at)
{
    const Decoded d = DecodeUtf8(text, at);
    if (d.length == 0) {
        return {static_cast<char32_t>(0x110000 + static_cast<unsigned char>(text[at])), 1};
    }
    return {UpperCaseOf(d.codePoint), d.length};
}

bool IsAscii(std::string_view text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

constexpr char AsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c;
}

// No letter outside ASCII has an upper case inside it, and an ASCII byte is always a character of
// its own in UTF-8: for a needle of ASCII only, comparing bytes is comparing characters.
bool ContainsAsciiIgnoreCase(std::string_view text, std::string_view needle)
{
    for (std::size_t start = 0; start + needle.size() <= text.size(); ++start) {
        std::size_t i = 0;
        while (i < needle.size() && AsciiUpper(text[start + i]) == AsciiUpper(needle[i])) {
            ++i;
        }
        if (i == needle.size()) {
            return true;
        }
    }
    return false;
}

} // namespace

char32_t UpperCaseOf(char32_t c)
{
    if (c < 0x80) {
        return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
    }
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) {
        return c - 0x20; // Latin-1 à..þ
    }
    if (c == 0xFF) {
        return 0x178; // ÿ
    }
    if (c >= 0x100 && c <= 0x137) {
        return UpperOfPair(c, true);
    }
    if (c >= 0x139 && c <= 0x148) {
        return UpperOfPair(c, false);
    }
    if (c >= 0x14A && c <= 0x177) {
        return UpperOfPair(c, true);
    }
    if (c >= 0x179 && c <= 0x17E) {
        return UpperOfPair(c, false);
    }
    // Greek
    if ((c >= 0x3B1 && c <= 0x3C1) || (c >= 0x3C3 && c <= 0x3CB)) {
        return c - 0x20;
    }
    if (c == 0x3C2) {
        return 0x3A3; // final sigma
    }
    if (c == 0x3AC) {
        return 0x386;
    }
    if (c >= 0x3AD && c <= 0x3AF) {
        return c - 0x25;
    }
    if (c == 0x3CC) {
        return 0x38C;
    }
    if (c == 0x3CD || c == 0x3CE) {
        return c - 0x3F;
    }
    // Cyrillic
    if (c >= 0x430 && c <= 0x44F) {
        return c - 0x20;
    }
    if (c >= 0x450 && c <= 0x45F) {
        return c - 0x50;
    }
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) {
        return UpperOfPair(c, true);
    }
    if (c >= 0x4C1 && c <= 0x4CE) {
        return UpperOfPair(c, false);
    }
    if (c == 0x4CF) {
        return 0x4C0;
    }
    // Armenian
    if (c >= 0x561 && c <= 0x586) {
        return c - 0x30;
    }
    // Latin Extended Additional
    if ((c >= 0x1E00 && c <= 0x1E95) || (c >= 0x1EA0 && c <= 0x1EFF)) {
        return UpperOfPair(c, true);
    }
    // Fullwidth Latin
    if (c >= 0xFF41 && c <= 0xFF5A) {
        return c - 0x20;
    }
    return c;
}

std::string ToUpperText(std::string_view text)
{
    if (IsAscii(text)) {
        std::string out(text);
        for (char& c : out) {
            c = AsciiUpper(c);
        }
        return out;
    }
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const Decoded d = DecodeUtf8(text, at);
        if (d.length == 0) {
            out.push_back(text[at]);
            ++at;
        } else {
            AppendUtf8(out, UpperCaseOf(d.codePoint));
            at += d.length;
        }
    }
    return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    // While both are ASCII a byte is a character: most names differ in their first one.
    std::size_t common = 0;
    while (common < a.size() && common < b.size() && static_cast<unsigned char>(a[common]) < 0x80 &&
           static_cast<unsigned char>(b[common]) < 0x80) {
        if (AsciiUpper(a[common]) != AsciiUpper(b[common])) {
            return false;
        }
        ++common;
    }
    std::size_t i = common;
    std::size_t j = common;
    while (i < a.size() && j < b.size()) {
        const Upper x = UpperAt(a, i);
        const Upper y = UpperAt(b, j);
        if (x.codePoint != y.codePoint) {
            return false;
        }
        i += x.length;
        j += y.length;
    }
    return i == a.size() && j == b.size();
}

bool ContainsIgnoreCase(std::string_view text, std::string_view needle)
{
    if (IsAscii(needle)) {
        return ContainsAsciiIgnoreCase(text, needle);
    }
    std::vector<char32_t> wanted;
    for (std::size_t at = 0; at < needle.size();) {
        const Upper u = UpperAt(needle, at);
        wanted.push_back(u.codePoint);
        at += u.length;
    }
    for (std::size_t start = 0; start < text.size(); start += UpperAt(text, start).length) {
        std::size_t at = start;
        std::size_t i = 0;
        while (i < wanted.size() && at < text.size()) {
            const Upper u = UpperAt(text, at);
            if (u.codePoint != wanted[i]) {
                break;
            }
            at += u.length;
            ++i;
        }
        if (i == wanted.size()) {
            return true;
        }
    }
    return false;
}

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        Decoded d = DecodeUtf8(text, at);
        if (d.length == 0) {
            d.length = 1;
        }
        at += d.length;
        const char32_t cp = d.codePoint;
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

namespace {

// UTF-16 units from wherever they are kept to UTF-8; an unpaired surrogate becomes U+FFFD.
template <class UnitAt>
std::string Utf16UnitsToUtf8(std::size_t count, UnitAt unitAt)
{
    std::string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        char32_t cp = unitAt(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < count && unitAt(i + 1) >= 0xDC00 && unitAt(i + 1) <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

} // namespace

std::string Utf16ToUtf8(std::u16string_view text)
{
    return Utf16UnitsToUtf8(text.size(), [&](std::size_t i) { return static_cast<char32_t>(text[i]); });
}

std::string LeBytesTextToUtf8(std::string_view bytes)
{
    const auto unitAt = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    };
    std::size_t count = 0;
    bool ascii = true;
    for (; count < bytes.size() / 2; ++count) {
        const char32_t unit = unitAt(count);
        if (unit == 0) {
            break;
        }
        ascii = ascii && unit < 0x80;
    }
    if (!ascii) {
        return Utf16UnitsToUtf8(count, unitAt);
    }
    // Most registry text is plain ASCII: one byte per unit, nothing to pair or encode.
    std::string out(count, '\0');
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = bytes[2 * i];
    }
    return out;
}

std::string Utf16ToLeBytes(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (const char16_t unit : text) {
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>(unit >> 8));
    }
    return out;
}

std::u16string LeBytesToUtf16(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return out;
}

} // namespace hivetidy
