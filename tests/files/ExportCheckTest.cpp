#include "files/ExportCheck.h"

#include "platform/sim/Cp1252.h"
#include "platform/sim/RegFile.h"
#include "platform/sim/SimRegistry.h"
#include "shared/Text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace hivetidy {
namespace {

using namespace std::string_literals;

const std::string kKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVA Roboter GmbH\\Steuerung";
const std::string kSibling = kKey + "2";
const std::string kIfeoSection =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\sethc.exe]";

using Lines = std::vector<std::string>;

std::string AnsiOf(std::string_view utf8)
{
    return sim::Utf8ToCp1252(utf8);
}

// The lines of a file's text as the program reads them: split at CR LF, CR or LF, a line end at
// the very end giving no empty line after it.
Lines SplitLines(std::string_view text)
{
    Lines lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    return lines;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 0x20 : c; });
    return text;
}

// The export of the controller's key and the registry it was made of, in either format.
class ExportCheck : public ::testing::TestWithParam<ExportFormat> {
protected:
    ExportCheck()
    {
        registry.SetString(kKey, "", ""); // the unnamed value, empty: "@=\"\"" in the export
        registry.SetString(kKey, "Pfad", "C:\\Programme\\OMX\\BIN\\Roboter \"Haupt\".exe");
        registry.SetDword(kKey, "Achsen", 6);
        registry.SetBinary(kKey, "Kalibrierung", std::string("\x01\x02\x7f\x80\xff\x00", 6) + std::string(30, '\x5a'));
        registry.SetExpandString(kKey, "Protokoll", "%SystemRoot%\\Temp\\omx.log");
        registry.SetMultiString(kKey, "Module", {"LIB", "BIN", "UTIL"});
        registry.SetRaw(kKey, RawValue{"Z\u00e4hler", kRegQword, std::string("\x10\x00\x00\x00\x00\x00\x00\x01", 8)});
        registry.SetRaw(kKey, RawValue{"Leer", kRegNone, ""});
        registry.SetString(kKey + "\\Achsen\\Achse 1", "Typ", "Drehachse");
        registry.SetString(kKey + "\\Achsen\\Achse 2", "Grenze", "\u00b1170\u00b0");
        registry.CreateKey(kKey + "\\Werkzeuge");
        registry.SetString(kSibling, "", "Nachbar");
    }

    bool Version5() const { return GetParam() == ExportFormat::Version5; }

    // The editor's export file of the key, read back as the program reads it.
    Lines Export(const std::string& key)
    {
        const auto bytes = sim::ExportKey(registry, key, GetParam());
        EXPECT_TRUE(bytes.has_value());
        if (!bytes) {
            return {};
        }
        return SplitLines(Version5() ? Utf16ToUtf8(LeBytesToUtf16(bytes->substr(2))) : sim::Cp1252ToUtf8(*bytes));
    }

    std::vector<LiveKey> Live(const std::string& key)
    {
        const auto path = sim::ParseKeyPath(key);
        auto opened = registry.OpenHive(path->root)->Open(path->below);
        EXPECT_TRUE(opened);
        auto live = opened ? WalkLiveKeys(*opened) : std::nullopt;
        EXPECT_TRUE(live.has_value());
        return live.value_or(std::vector<LiveKey>{});
    }

    ExportVerdict Check(const Lines& lines) { return CheckExport(lines, kKey, GetParam(), Live(kKey), AnsiOf); }

    sim::SimRegistry registry;
};

std::size_t IndexOf(const Lines& lines, std::string_view start)
{
    const auto found = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) { return line.starts_with(start); });
    EXPECT_NE(found, lines.end()) << "no line starts with " << start;
    return static_cast<std::size_t>(found - lines.begin());
}

// The index of the line that ends the value starting at that line (after its continuation lines).
std::size_t EndOfValue(const Lines& lines, std::size_t at)
{
    while (at + 1 < lines.size() && lines[at].ends_with("\\")) {
        ++at;
    }
    return at;
}

void Insert(Lines& lines, std::size_t at, std::initializer_list<std::string> inserted)
{
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), inserted);
}

void Erase(Lines& lines, std::size_t from, std::size_t to)
{
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(from), lines.begin() + static_cast<std::ptrdiff_t>(to));
}

// A change to the export of a key (the controller's unless named) and, for one that must be
// refused, a part of the reason that names the fault.
struct Change {
    const char* what;
    std::function<void(Lines&, ExportFormat)> apply;
    std::string reason = {};
    std::string exportOf = kKey;
};

void Replace(std::string& line, std::string_view from, std::string_view to)
{
    const std::size_t at = line.find(from);
    ASSERT_NE(at, std::string::npos) << line;
    line.replace(at, from.size(), to);
}

TEST_P(ExportCheck, AcceptsTheEditorsExportAndWhatDiffersOnlyInLetterCaseOrEmptyLines)
{
    const Change accepted[] = {
        {"the export as written", [](Lines&, ExportFormat) {}},
        {"the header in lower case", [](Lines& lines, ExportFormat) { lines[0] = Lower(lines[0]); }},
        {"section names in other letter case",
         [](Lines& lines, ExportFormat) {
             for (std::string& line : lines) {
                 if (line.starts_with('[')) {
                     line = Lower(line);
                 }
             }
         }},
        {"value names in other letter case",
         [](Lines& lines, ExportFormat) {
             lines[IndexOf(lines, "\"Pfad\"")].replace(0, 6, "\"PFAD\"");
             lines[IndexOf(lines, "\"Z\u00e4hler\"")].replace(0, 9, "\"Z\u00c4HLER\"");
         }},
        {"more empty lines between the sections",
         [](Lines& lines, ExportFormat) {
             Lines spaced;
             for (const std::string& line : lines) {
                 spaced.push_back(line);
                 if (line.empty()) {
                     spaced.push_back("");
                 }
             }
             lines = spaced;
         }},
    };
    for (const Change& change : accepted) {
        SCOPED_TRACE(change.what);
        Lines lines = Export(kKey);
        change.apply(lines, GetParam());
        const ExportVerdict verdict = Check(lines);
        EXPECT_TRUE(verdict.accepted) << verdict.reason;
        EXPECT_EQ(verdict.reason, "");
    }
}

TEST_P(ExportCheck, RefusesAnExportThatIsNotThisKeyWhole)
{
    const Change refused[] = {
        {"cut short right after the key's section line",
         [](Lines& lines, ExportFormat) { lines.resize(IndexOf(lines, "[" + kKey + "]") + 1); },
         "ends inside a section"},
        {"cut short inside a string",
         [](Lines& lines, ExportFormat) {
             lines.resize(IndexOf(lines, "\"Pfad\"") + 1);
             lines.back().resize(20);
         },
         "a malformed string"},
        {"cut short inside continued hex data",
         [](Lines& lines, ExportFormat) { lines.resize(IndexOf(lines, "\"Kalibrierung\"") + 1); },
         "continued past the end"},
        {"cut short at a line end inside hex data",
         [](Lines& lines, ExportFormat) {
             const std::size_t at = IndexOf(lines, "\"Kalibrierung\"");
             lines[at].resize(lines[at].size() - 2); // ",\" gone: the bytes end early
             lines.resize(at + 1);
             lines.push_back("");
         },
         "\"Kalibrierung\": other bytes"},
        {"cut short before the empty line that closes the last section", [](Lines& lines, ExportFormat) { lines.pop_back(); },
         "ends inside a section"},
        {"a subkey's section missing",
         [](Lines& lines, ExportFormat) {
             const std::size_t at = IndexOf(lines, "[" + kKey + "\\Achsen\\Achse 2]");
             Erase(lines, at, at + 3);
         },
         "lacks the section of the key [" + kKey + "\\Achsen\\Achse 2]"},
        {"a section of a system program's debugger",
         [](Lines& lines, ExportFormat) { lines.insert(lines.end(), {kIfeoSection, "\"Debugger\"=\"cmd.exe\"", ""}); },
         "sethc.exe] is neither the key"},
        {"a section below the key that the registry does not have",
         [](Lines& lines, ExportFormat) { lines.insert(lines.end(), {"[" + kKey + "\\Neu]", ""}); },
         "Neu] is no key of the registry"},
        {"the section of a sibling whose name starts with the key's",
         [](Lines& lines, ExportFormat) { lines.insert(lines.end(), {"[" + kSibling + "]", "@=\"Nachbar\"", ""}); },
         "Steuerung2] is neither the key"},
        // Catches a sibling test that drops the check for the backslash after the key's name: the
        // character after it would be passed over and "Werkzeuge" taken for the subkey's section.
        {"the section of a sibling whose name extends the key's by more characters, in a subkey's place",
         [](Lines& lines, ExportFormat) { Replace(lines[IndexOf(lines, "[" + kKey + "\\Werkzeuge]")], "\\Werkzeuge", " Werkzeuge"); },
         "Steuerung Werkzeuge] is neither the key"},
        {"the key's section with a trailing backslash instead of its own",
         [](Lines& lines, ExportFormat) { lines[IndexOf(lines, "[" + kKey + "]")] = "[" + kKey + "\\]"; },
         "Steuerung\\] is neither the key"},
        {"a section twice",
         [](Lines& lines, ExportFormat) { lines.insert(lines.end(), {"[" + kKey + "\\Werkzeuge]", ""}); },
         "Werkzeuge] a second time"},
        {"a second header in the middle",
         [](Lines& lines, ExportFormat) { Insert(lines, IndexOf(lines, "[" + kKey + "\\Werkzeuge]"), {lines[0], ""}); },
         "a second header"},
        {"the other format's header",
         [](Lines& lines, ExportFormat format) {
             lines[0] = format == ExportFormat::Version5 ? "REGEDIT4" : "Windows Registry Editor Version 5.00";
         },
         "line 1: not the header"},
        {"no header", [](Lines& lines, ExportFormat) { lines.erase(lines.begin()); },
         "line 1: not the header"},
        {"no line at all", [](Lines& lines, ExportFormat) { lines.clear(); },
         "line 1: not the header"},
        {"other text", [](Lines& lines, ExportFormat) { lines[IndexOf(lines, "\"Pfad\"")] = "\"Pfad\"=\"C:\\\\Temp\\\\x.exe\""; },
         "\"Pfad\": other text"},
        {"other number", [](Lines& lines, ExportFormat) { lines[IndexOf(lines, "\"Achsen\"")] = "\"Achsen\"=dword:00000007"; },
         "\"Achsen\": other number"},
        {"another byte",
         [](Lines& lines, ExportFormat) { Replace(lines[IndexOf(lines, "\"Kalibrierung\"")], "hex:01,02", "hex:01,03"); },
         "\"Kalibrierung\": other bytes"},
        {"a string type written as plain text",
         [](Lines& lines, ExportFormat) {
             const std::size_t at = IndexOf(lines, "\"Protokoll\"");
             Erase(lines, at + 1, EndOfValue(lines, at) + 1);
             lines[at] = "\"Protokoll\"=\"%SystemRoot%\\\\Temp\\\\omx.log\"";
         },
         "\"Protokoll\": type 1 in the export, 2 in the registry"},
        {"string hex data without its terminating NUL",
         [](Lines& lines, ExportFormat format) {
             std::string& last = lines[EndOfValue(lines, IndexOf(lines, "\"Module\""))];
             last.resize(last.size() - (format == ExportFormat::Version5 ? 6 : 3));
         },
         "\"Module\": other bytes"},
        {"an extra value",
         [](Lines& lines, ExportFormat) { Insert(lines, IndexOf(lines, "[" + kKey + "]") + 1, {"\"Debugger\"=\"cmd.exe\""}); },
         "\"Debugger\" is not in the registry's key"},
        {"a value missing", [](Lines& lines, ExportFormat) { lines.erase(lines.begin() + IndexOf(lines, "\"Achsen\"")); },
         "lacks the value \"Achsen\""},
        {"the empty unnamed value missing", [](Lines& lines, ExportFormat) { lines.erase(lines.begin() + IndexOf(lines, "@=\"\"")); },
         "lacks the value @"},
        {"a value twice, in other letter case",
         [](Lines& lines, ExportFormat) {
             const std::size_t at = IndexOf(lines, "\"Pfad\"");
             Insert(lines, at, {"\"PFAD\"" + lines[at].substr(6)});
         },
         "\"Pfad\" a second time"},
        {"a line deleting a key",
         [](Lines& lines, ExportFormat) { lines.insert(lines.end(), {"[-" + kKey + "\\Achsen]", ""}); },
         "a section that deletes a key"},
        {"a line deleting a value", [](Lines& lines, ExportFormat) { lines[IndexOf(lines, "\"Achsen\"")] = "\"Achsen\"=-"; },
         "a line that deletes a value"},
        {"a value after the empty line that closed its section",
         [](Lines& lines, ExportFormat) { lines.insert(lines.end(), {"\"Debugger\"=\"cmd.exe\"", ""}); },
         "a line outside any section"},
        // Catches a reader that takes a quoted empty name for the unnamed value.
        {"the unnamed value written as a quoted empty name",
         [](Lines& lines, ExportFormat) { lines[IndexOf(lines, "@=\"\"")] = "\"\"=\"\""; },
         "an empty quoted value name"},
        // Catches a continuation check that lets a line through that starts with a byte (start == 0).
        {"hex data continued on a line without its leading blanks",
         [](Lines& lines, ExportFormat) {
             std::string& next = lines[IndexOf(lines, "\"Kalibrierung\"") + 1];
             ASSERT_TRUE(next.starts_with("  ")) << next;
             next.erase(0, next.find_first_not_of(' '));
         },
         "hex data does not go on"},
        {"a comment", [](Lines& lines, ExportFormat) { Insert(lines, IndexOf(lines, "\"Pfad\""), {"; Kommentar"}); },
         "neither a value nor an empty line"},
        {"a NUL character",
         [](Lines& lines, ExportFormat) { lines[IndexOf(lines, "\"Pfad\"")].insert(9, std::string(1, '\0')); },
         "a NUL character"},
        {"a stale export of another key", [](Lines&, ExportFormat) {}, "Steuerung2] is neither the key", kSibling},
    };
    for (const Change& change : refused) {
        SCOPED_TRACE(change.what);
        Lines lines = Export(change.exportOf);
        change.apply(lines, GetParam());
        const ExportVerdict verdict = Check(lines);
        EXPECT_FALSE(verdict.accepted);
        EXPECT_THAT(verdict.reason, ::testing::HasSubstr(change.reason));
    }
}

// Catches a text compared only up to its first NUL: Undo would give the value back cut short.
TEST_P(ExportCheck, TakesQuotedTextOnlyWhereItCarriesTheWholeValue)
{
    registry.SetRaw(kKey + "\\Werkzeuge", RawValue{"Greifer", kRegSz, Utf16ToLeBytes(u"Backe\0Rest\0"s)});
    registry.SetRaw(kKey + "\\Werkzeuge", RawValue{"Backen", kRegSz, Utf16ToLeBytes(u"Zwei\0\0"s)});
    const Lines written = Export(kKey); // the simulated editor keeps the rest, as hex(1)
    EXPECT_TRUE(Check(written).accepted) << Check(written).reason;

    const auto quote = [&](std::string_view name, std::string_view text) {
        Lines lines = written;
        const std::string head = "\"" + std::string(name) + "\"";
        const std::size_t at = IndexOf(lines, head);
        Erase(lines, at + 1, EndOfValue(lines, at) + 1);
        lines[at] = head + "=\"" + std::string(text) + "\"";
        return Check(lines);
    };
    // Nothing but NULs after the text: the quoted form loses nothing.
    EXPECT_TRUE(quote("Backen", "Zwei").accepted) << quote("Backen", "Zwei").reason;
    const ExportVerdict cut = quote("Greifer", "Backe");
    EXPECT_FALSE(cut.accepted);
    EXPECT_THAT(cut.reason, ::testing::HasSubstr("after a NUL"));
    EXPECT_FALSE(quote("Greifer", "Backe\\nRest").accepted);
}

TEST_P(ExportCheck, RefusesStringsInVersion4ThatTheCodePageCannotCarry)
{
    const RawValue values[] = {
        RawValue{"Ablage", kRegExpandSz, Utf16ToLeBytes(u"C:\\\u041f\u0443\u0442\u044c\0"s)}, // Cyrillic
        RawValue{"Halb", kRegExpandSz, std::string("A\0B", 3)},                              // half a character
    };
    for (const RawValue& value : values) {
        SCOPED_TRACE(value.name);
        registry.SetRaw(kKey + "\\Werkzeuge", value);
        const ExportVerdict verdict = Check(Export(kKey));
        EXPECT_EQ(verdict.accepted, Version5()) << verdict.reason;
        ASSERT_TRUE(registry.DeleteValue(kKey + "\\Werkzeuge", value.name));
    }
}

TEST_P(ExportCheck, ChecksAKeyWithManyValuesAndSubkeysInLinearTime)
{
    // Too many for the simulated registry: the export and the live key are made here.
    constexpr int kValues = 100000;
    constexpr int kSubkeys = 5000;
    Lines lines{Version5() ? "Windows Registry Editor Version 5.00" : "REGEDIT4", "", "[" + kKey + "]"};
    std::vector<LiveKey> live{LiveKey{"", {}}};
    char digits[16];
    for (int i = 0; i < kValues; ++i) {
        std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(i));
        lines.push_back("\"Wert " + std::to_string(i) + "\"=dword:" + digits);
        live[0].values.push_back(RawValue{"wert " + std::to_string(i), kRegDword,
                                          std::string{static_cast<char>(i & 0xFF), static_cast<char>((i >> 8) & 0xFF),
                                                      static_cast<char>((i >> 16) & 0xFF), 0}});
    }
    lines.push_back("");
    for (int i = 0; i < kSubkeys; ++i) {
        lines.push_back("[" + kKey + "\\Teil " + std::to_string(i) + "]");
        lines.push_back("");
        live.push_back(LiveKey{"TEIL " + std::to_string(i), {}});
    }
    std::reverse(live.begin() + 1, live.end());

    const auto started = std::chrono::steady_clock::now();
    const ExportVerdict verdict = CheckExport(lines, kKey, GetParam(), live, AnsiOf);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_TRUE(verdict.accepted) << verdict.reason;
    // Linear, this takes a fraction of a second; comparing each line with every value, minutes.
    EXPECT_LT(took, std::chrono::seconds(5));
}

TEST_P(ExportCheck, WalkOfTheLiveKeyFailsWhereAKeyCannotBeRead)
{
    registry.FailEnumeration(kKey + "\\Achsen\\Achse 1");
    const auto path = sim::ParseKeyPath(kKey);
    auto key = registry.OpenHive(path->root)->Open(path->below);
    ASSERT_TRUE(key);
    EXPECT_FALSE(WalkLiveKeys(*key).has_value());
}

INSTANTIATE_TEST_SUITE_P(BothExportFormats, ExportCheck, ::testing::Values(ExportFormat::Version4, ExportFormat::Version5),
                         [](const auto& info) { return info.param == ExportFormat::Version4 ? "Version4" : "Version5"; });

// Catches a read-back that names every section instead of the removed key it belongs to, one that
// takes a value the registry has beyond the export for a missing one (an import adds, never
// removes), and one that passes a value with other data.
TEST(ReadBackExport, NamesEachRemovedKeyThatIsNotBackWhole)
{
    const Lines lines{"REGEDIT4",
                      "",
                      "[HKEY_CURRENT_USER\\Software\\A]",
                      "\"Wert\"=\"1\"",
                      "",
                      "[HKEY_CURRENT_USER\\Software\\A\\Unter]",
                      "",
                      "[HKEY_CURRENT_USER\\Software\\A2]",
                      "\"Zahl\"=dword:00000002",
                      "",
                      "[HKEY_CURRENT_USER\\Software\\B]",
                      "\"Wert\"=\"1\"",
                      ""};
    const std::map<std::string, std::vector<RawValue>> registry{
        {"HKEY_CURRENT_USER\\Software\\A", {{"Wert", kRegSz, "1"s + '\0'}, {"Neu", kRegSz, "x"s + '\0'}}},
        {"HKEY_CURRENT_USER\\Software\\A2", {{"Zahl", kRegDword, "\x03\0\0\0"s}}},
        {"HKEY_CURRENT_USER\\Software\\B", {{"Wert", kRegSz, "1"s + '\0'}}},
    };
    const auto readValues = [&](std::string_view key) -> std::optional<std::vector<RawValue>> {
        const auto found = registry.find(std::string(key));
        return found == registry.end() ? std::nullopt : std::optional(found->second);
    };
    const ExportReadBack readBack = ReadBackExport(lines, ExportFormat::Version4, readValues, AnsiOf);
    EXPECT_EQ(readBack.error, "");
    EXPECT_EQ(readBack.notBack, (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\A",
                                                          "HKEY_CURRENT_USER\\Software\\A2"}));
}

} // namespace
} // namespace hivetidy
