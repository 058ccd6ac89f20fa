#include "platform/sim/Cp1252.h"

#include "shared/Text.h"

#include <array>

namespace hivetidy::sim {

namespace {

// 0x80..0x9F, where the code page departs from Latin-1. The undefined bytes 0x81, 0x8D, 0x8F,
// 0x90 and 0x9D map to the C1 control of the same number, as MultiByteToWideChar does.
constexpr std::array<char16_t, 32> kHighControls{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t UnitOf(unsigned char byte)
{
    return (byte >= 0x80 && byte <= 0x9F) ? kHighControls[byte - 0x80] : static_cast<char16_t>(byte);
}

char ByteOf(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        return static_cast<char>(unit);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == unit) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

} // namespace

std::string Utf8ToCp1252(std::string_view utf8)
{
    const std::u16string units = Utf8ToUtf16(utf8);
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t unit = units[i];
        const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
                          units[i + 1] <= 0xDFFF;
        if (pair) {
            ++i; // one character, one replacement
        }
        out.push_back(pair ? '?' : ByteOf(unit));
    }
    return out;
}

std::string Cp1252ToUtf8(std::string_view ansi)
{
    std::u16string units;
    units.reserve(ansi.size());
    for (const char byte : ansi) {
        units.push_back(UnitOf(static_cast<unsigned char>(byte)));
    }
    return Utf16ToUtf8(units);
}

} // namespace hivetidy::sim
