// libFuzzer target: the check that an export is the key it was made of, whole.
//
// An input is a registry text for the live key, a line "%%", and the lines of an export file as
// the program reads them (UTF-8). The live text is imported into an empty simulated registry and
// the key HKEY_LOCAL_MACHINE\SOFTWARE\Fuzz walked; its header picks the export format
// ("REGEDIT4": version 4, else version 5). Without a "%%" line, the whole input is the export,
// checked in both formats against a fixed key. Besides never crashing, the check must keep two
// promises, and an input that breaks one aborts:
//   - whatever it accepts gives the live key back when imported (nothing more, nothing less);
//   - it accepts the editor's own export of the live key, wherever the format can carry it.

#include "files/ExportCheck.h"
#include "files/WorkingFiles.h"
#include "platform/sim/Cp1252.h"
#include "platform/sim/RegFile.h"
#include "platform/sim/SimRegistry.h"
#include "shared/Text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace hivetidy;

constexpr std::string_view kKeyName = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Fuzz";
constexpr std::string_view kKeyBelowHive = "SOFTWARE\\Fuzz";
constexpr std::string_view kSeparator = "\n%%\n";

// The key checked against an input that brings no live key of its own.
constexpr std::string_view kFixedKey = "Windows Registry Editor Version 5.00\r\n"
                                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Fuzz]\r\n"
                                       "@=\"\"\r\n"
                                       "\"Pfad\"=\"C:\\\\Programme\\\\OMX\\\\BIN\\\\omx.exe\"\r\n"
                                       "\"Achsen\"=dword:00000006\r\n"
                                       "\"Daten\"=hex:00,01,7f,80,ff\r\n"
                                       "\"Protokoll\"=hex(2):25,00,54,00,25,00,00,00\r\n"
                                       "\"Module\"=hex(7):41,00,00,00,00,00\r\n"
                                       "\"Leer\"=hex(0):\r\n"
                                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Fuzz\\Achse 1]\r\n"
                                       "\"Typ\"=\"Dreh\"\r\n"
                                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Fuzz\\Leer]\r\n";

std::string ToAnsi(std::string_view utf8)
{
    return sim::Utf8ToCp1252(utf8);
}

[[noreturn]] void Broken(std::string_view promise, std::string_view detail)
{
    std::fprintf(stderr, "export check broke its promise: %.*s\n%.*s\n", static_cast<int>(promise.size()), promise.data(),
                 static_cast<int>(detail.size()), detail.data());
    std::abort();
}

// Lines as FileNumbers::LineInput gives them: split at CR LF, CR or LF, none after a final line end.
std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    return lines;
}

std::optional<std::vector<LiveKey>> WalkFuzzKey(sim::SimRegistry& registry)
{
    auto key = registry.OpenHive(kHkeyLocalMachine)->Open(kKeyBelowHive);
    if (!key) {
        return std::nullopt;
    }
    return WalkLiveKeys(*key);
}

const std::vector<LiveKey>& FixedKey()
{
    static const std::vector<LiveKey> keys = [] {
        sim::SimRegistry registry;
        registry.LoadRegText(kFixedKey);
        return *WalkFuzzKey(registry);
    }();
    return keys;
}

bool IsStringType(std::uint32_t type)
{
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

std::string TextOf(const std::string& data)
{
    return Utf16ToUtf8(LeBytesToUtf16(data));
}

std::string TextUpToNul(const std::string& data)
{
    std::u16string units = LeBytesToUtf16(data);
    units.resize(std::min(units.find(u'\0'), units.size()));
    return Utf16ToUtf8(units);
}

// Whether an import that gave `restored` for the live value gave it back. The import ends string
// data with a NUL when the file leaves it off; a REG_SZ in quotes is its text up to the first NUL
// (as the editor writes it); the lines carry text as UTF-8, a lone surrogate as U+FFFD.
bool GivesBack(const RawValue& live, const RawValue& restored)
{
    if (restored.type != live.type) {
        return false;
    }
    if (restored.data == live.data) {
        return true;
    }
    if (!IsStringType(live.type)) {
        return false;
    }
    const bool terminated = live.data.size() >= 2 && live.data.ends_with(std::string_view("\0\0", 2));
    if (!live.data.empty() && !terminated && restored.data == live.data + std::string(2, '\0')) {
        return true;
    }
    if (live.data.size() % 2 == 0 && TextOf(restored.data) == TextOf(terminated ? live.data : live.data + std::string(2, '\0'))) {
        return true;
    }
    return live.type == kRegSz && TextOf(restored.data) == TextUpToNul(live.data) + std::string(1, '\0');
}

std::string Describe(const std::vector<LiveKey>& keys)
{
    std::string text;
    for (const LiveKey& key : keys) {
        text += "[" + key.relativePath + "]\n";
        for (const RawValue& value : key.values) {
            text += "  \"" + value.name + "\" type " + std::to_string(value.type) + ", " + std::to_string(value.data.size()) + " bytes\n";
        }
    }
    return text;
}

// Whether two walks hold the same keys with the same values, names compared ignoring case.
bool SameKey(const std::vector<LiveKey>& live, const std::vector<LiveKey>& restored)
{
    if (live.size() != restored.size()) {
        return false;
    }
    std::map<std::string, const LiveKey*> byPath;
    for (const LiveKey& key : restored) {
        byPath.emplace(ToUpperText(key.relativePath), &key);
    }
    for (const LiveKey& key : live) {
        const auto found = byPath.find(ToUpperText(key.relativePath));
        if (found == byPath.end() || found->second->values.size() != key.values.size()) {
            return false;
        }
        std::map<std::string, const RawValue*> byName;
        for (const RawValue& value : found->second->values) {
            byName.emplace(ToUpperText(value.name), &value);
        }
        for (const RawValue& value : key.values) {
            const auto same = byName.find(ToUpperText(value.name));
            if (same == byName.end() || !GivesBack(value, *same->second)) {
                return false;
            }
        }
    }
    return true;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

// An accepted export goes into the backup under the backup's own header; Undo imports it.
void ExpectGivesBack(std::vector<std::string> lines, ExportFormat format, const std::vector<LiveKey>& live)
{
    lines.front() = std::string(ExportHeader(format));
    const std::string text = Joined(lines);
    sim::SimRegistry restored;
    const sim::RegImport imported = sim::ImportRegText(
        restored, text, format == ExportFormat::Version5 ? sim::HexStrings::Utf16 : sim::HexStrings::Ansi, false);
    if (!imported.recognised || !imported.rejected.empty()) {
        Broken("an accepted export does not import cleanly", imported.rejected.empty() ? text : imported.rejected.front());
    }
    const auto back = WalkFuzzKey(restored);
    if (!back || !SameKey(live, *back)) {
        Broken("an accepted export does not give the key back", text + "\nlive:\n" + Describe(live) +
                                                                     "restored:\n" + (back ? Describe(*back) : "nothing"));
    }
}

void CheckAndKeepPromise(const std::vector<std::string>& lines, ExportFormat format, const std::vector<LiveKey>& live)
{
    if (CheckExport(lines, kKeyName, format, live, ToAnsi).accepted) {
        ExpectGivesBack(lines, format, live);
    }
}

bool AnsiCarries(std::string_view utf8)
{
    return sim::Cp1252ToUtf8(sim::Utf8ToCp1252(utf8)) == utf8;
}

// Whether the format can carry every name and every string of the key, so that its export must
// be accepted. A NUL in a name is written as it is, which no import reads back; version 4 holds
// only what the ANSI code page holds, in whole UTF-16 characters.
bool FormatCarries(const std::vector<LiveKey>& live, ExportFormat format)
{
    const bool ansi = format == ExportFormat::Version4;
    const auto carries = [&](std::string_view text) {
        return text.find('\0') == std::string_view::npos && (!ansi || AnsiCarries(text));
    };
    for (const LiveKey& key : live) {
        if (!carries(key.relativePath)) {
            return false;
        }
        for (const RawValue& value : key.values) {
            if (!carries(value.name)) {
                return false;
            }
            if (ansi && IsStringType(value.type) && (value.data.size() % 2 != 0 || !AnsiCarries(TextOf(value.data)))) {
                return false;
            }
        }
    }
    return true;
}

// The editor's export of the live key, read back as the program reads the file.
void CheckEditorsExport(sim::SimRegistry& registry, const std::vector<LiveKey>& live, ExportFormat format)
{
    auto text = sim::ExportKeyText(registry, kKeyName, format);
    if (!text) {
        Broken("the editor cannot export the walked key", Describe(live));
    }
    if (format == ExportFormat::Version4) {
        *text = sim::Cp1252ToUtf8(sim::Utf8ToCp1252(*text));
    }
    const ExportVerdict verdict = CheckExport(SplitLines(*text), kKeyName, format, live, ToAnsi);
    if (!verdict.accepted && FormatCarries(live, format)) {
        Broken("the editor's own export was refused", verdict.reason + "\n" + *text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t separator = input.find(kSeparator);
    if (separator == std::string_view::npos) {
        const std::vector<std::string> lines = SplitLines(input);
        CheckAndKeepPromise(lines, ExportFormat::Version5, FixedKey());
        CheckAndKeepPromise(lines, ExportFormat::Version4, FixedKey());
        return 0;
    }
    // The registry gives the program valid UTF-16, so its names and strings are valid UTF-8 here.
    const std::string liveText = Utf16ToUtf8(Utf8ToUtf16(input.substr(0, separator)));
    const std::vector<std::string> lines = SplitLines(input.substr(separator + kSeparator.size()));
    const ExportFormat format = liveText.starts_with(kVersion4Header) ? ExportFormat::Version4 : ExportFormat::Version5;

    sim::SimRegistry registry;
    (void)sim::ImportRegText(registry, liveText, sim::HexStrings::ByHeader, true);
    const auto live = WalkFuzzKey(registry);
    if (!live) {
        CheckAndKeepPromise(lines, format, FixedKey());
        return 0;
    }
    CheckEditorsExport(registry, *live, format);
    CheckAndKeepPromise(lines, format, *live);
    return 0;
}
