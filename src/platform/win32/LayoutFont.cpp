#include "platform/win32/LayoutFont.h"

#include "platform/win32/Dpi.h"
#include "platform/win32/WideText.h"

#include <array>
#include <string>

namespace hivetidy::win32 {

namespace {

// The system's own dialogs ask for MS Sans Serif under this name; the face the substitutes give
// for it is the one the system shows in MS Sans Serif's place (a scalable face since Windows 2000).
constexpr wchar_t kShellDialogFace[] = L"MS Shell Dlg";

[[nodiscard]] UniqueFont CreateFace(const std::wstring& face, int height, bool bold)
{
    return UniqueFont(CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                  face.c_str()));
}

// Whether the font shows its text at that character height: a scalable one always does, a raster
// one only where it has that size (the mapper hands out its nearest size otherwise).
[[nodiscard]] bool HasSize(HFONT font, int height)
{
    const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc) {
        return true;
    }
    SelectObject(dc.get(), font);
    TEXTMETRICW metrics{};
    if (!GetTextMetricsW(dc.get(), &metrics)) {
        return true;
    }
    // TMPF_VECTOR set means a vector or TrueType font, despite its name.
    const bool scalable = (metrics.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE)) != 0;
    return scalable || metrics.tmHeight - metrics.tmInternalLeading == -height;
}

[[nodiscard]] std::wstring SubstituteOf(const wchar_t* face)
{
    std::array<wchar_t, LF_FACESIZE + 16> value{};
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes", face,
                     RRF_RT_REG_SZ, nullptr, value.data(), &size) != ERROR_SUCCESS) {
        return {};
    }
    // A substitute may name a character set after a comma ("Arial,186"); the face is before it.
    std::wstring substitute(value.data());
    return substitute.substr(0, substitute.find(L','));
}

// The face the font substitutes put in place of a raster face; empty when they name none.
[[nodiscard]] std::wstring StandInFaceFor(const std::wstring& face)
{
    std::wstring standIn = SubstituteOf(face.c_str());
    if (standIn.empty()) {
        standIn = SubstituteOf(kShellDialogFace);
    }
    // Where the substitutes lead back to the face itself, it has no stand-in.
    return lstrcmpiW(standIn.c_str(), face.c_str()) == 0 ? std::wstring() : standIn;
}

} // namespace

UniqueFont CreateLayoutFont(const FontSpec& wanted, int dpi)
{
    const int height = FontHeightOf(wanted.points, dpi);
    const std::wstring face = Widen(wanted.face);
    UniqueFont font = CreateFace(face, height, wanted.bold);
    if (!font || HasSize(font.get(), height)) {
        return font;
    }
    const std::wstring standIn = StandInFaceFor(face);
    if (standIn.empty()) {
        return font;
    }
    UniqueFont replacement = CreateFace(standIn, height, wanted.bold);
    return replacement ? std::move(replacement) : std::move(font);
}

} // namespace hivetidy::win32
