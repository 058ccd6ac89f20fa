#include "files/ExportCheck.h"

#include "files/RegExportText.h"
#include "files/WorkingFiles.h"
#include "shared/Text.h"

#include <algorithm>
#include <set>
#include <unordered_map>
#include <utility>

namespace hivetidy {

namespace {

// Names upper-cased, so that a name in another letter case finds its key or value, as on Windows.
using ByUpperName = std::unordered_map<std::string, std::size_t>;

bool IsStringType(std::uint32_t type)
{
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

ExportVerdict Refused(std::string reason)
{
    return ExportVerdict{false, std::move(reason)};
}

std::string LineRef(std::size_t lineNumber)
{
    return "line " + std::to_string(lineNumber) + ": ";
}

// The labels are appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about a
// literal put in front of a temporary string.
std::string ValueLabel(std::string_view name)
{
    if (name.empty()) {
        return "@";
    }
    std::string label(1, '"');
    label.append(name).push_back('"');
    return label;
}

std::string KeyLabel(std::string_view keyName, std::string_view relativePath)
{
    std::string label(1, '[');
    label.append(keyName);
    if (!relativePath.empty()) {
        label.append(1, '\\').append(relativePath);
    }
    label.push_back(']');
    return label;
}

// The path of a section below the exported key, upper case ("" for the key itself); nullopt for
// any other key, a sibling whose name merely starts with the key's ("X2" beside "X") included.
std::optional<std::string> RelativePath(std::string_view upperSection, std::string_view upperKey)
{
    if (!upperSection.starts_with(upperKey)) {
        return std::nullopt;
    }
    std::string_view rest = upperSection.substr(upperKey.size());
    if (rest.empty()) {
        return std::string();
    }
    if (rest.front() != '\\') {
        return std::nullopt;
    }
    rest.remove_prefix(1);
    // A key name is never empty; "X\\" or "X\\\\Y" might be read as another key than the live one.
    if (rest.empty() || rest.back() == '\\' || rest.find("\\\\") != std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(rest);
}

// What the editor writes in quotes for a REG_SZ: the text up to the first NUL. nullopt when
// anything but NULs follows that NUL: the quoted form ends there, and an import would give the
// value back cut short.
std::optional<std::string> QuotableText(const std::string& data)
{
    std::u16string units = LeBytesToUtf16(data);
    const std::size_t end = std::min(units.find(u'\0'), units.size());
    if (units.find_first_not_of(u'\0', end) != std::u16string::npos) {
        return std::nullopt;
    }
    units.resize(end);
    return Utf16ToUtf8(units);
}

// The bytes the editor writes as hex for a live value: the data as stored, but in version 4 the
// string types' text in the ANSI code page, every NUL included (so a terminating NUL must be there
// in the export exactly when the registry holds one: the import takes the bytes as they are).
// nullopt when the ANSI code page cannot carry the data, so that importing the export would not
// give the value back: half a UTF-16 character, or a character the code page lacks (toAnsi writes
// '?' for it, so the conversion holds more '?' than the text did).
std::optional<std::string> HexBytesOf(const RawValue& value, ExportFormat format,
                                      const std::function<std::string(std::string_view)>& toAnsi)
{
    if (format == ExportFormat::Version5 || !IsStringType(value.type)) {
        return value.data;
    }
    if (value.data.size() % 2 != 0) {
        return std::nullopt;
    }
    const std::string text = Utf16ToUtf8(LeBytesToUtf16(value.data));
    std::string ansi = toAnsi(text);
    if (std::count(ansi.begin(), ansi.end(), '?') != std::count(text.begin(), text.end(), '?')) {
        return std::nullopt;
    }
    return ansi;
}

// Empty when the exported value is the live one; else why not.
std::string Difference(const ExportedValue& exported, const RawValue& live, ExportFormat format,
                       const std::function<std::string(std::string_view)>& toAnsi)
{
    if (exported.type != live.type) {
        return "type " + std::to_string(exported.type) + " in the export, " + std::to_string(live.type) +
               " in the registry";
    }
    switch (exported.form) {
    case ExportedForm::Text: {
        const auto text = QuotableText(live.data);
        if (!text) {
            return "the registry's text goes on after a NUL, which the quoted form cannot carry";
        }
        return exported.data == *text ? std::string() : "other text than in the registry";
    }
    case ExportedForm::Dword:
        return live.data.size() == 4 && exported.data == live.data ? std::string() : "other number than in the registry";
    case ExportedForm::Hex:
        break;
    }
    const auto bytes = HexBytesOf(live, format, toAnsi);
    if (!bytes) {
        return "the registry's text cannot be written in the ANSI code page";
    }
    return exported.data == *bytes ? std::string() : "other bytes than in the registry";
}

// Empty when the section holds exactly the live key's values; else why not.
std::string CompareValues(const ExportedSection& section, const LiveKey& key, std::string_view keyName,
                          ExportFormat format, const std::function<std::string(std::string_view)>& toAnsi)
{
    ByUpperName liveByName;
    liveByName.reserve(key.values.size());
    for (std::size_t i = 0; i < key.values.size(); ++i) {
        if (!liveByName.emplace(ToUpperText(key.values[i].name), i).second) {
            return "the registry's key " + KeyLabel(keyName, key.relativePath) + " lists the value " +
                   ValueLabel(key.values[i].name) + " twice";
        }
    }
    std::vector<bool> seen(key.values.size(), false);
    for (const ExportedValue& value : section.values) {
        const auto found = liveByName.find(ToUpperText(value.name));
        if (found == liveByName.end()) {
            return LineRef(value.lineNumber) + "the value " + ValueLabel(value.name) + " is not in the registry's key";
        }
        if (seen[found->second]) {
            return LineRef(value.lineNumber) + "the value " + ValueLabel(value.name) + " a second time";
        }
        seen[found->second] = true;
        const std::string why = Difference(value, key.values[found->second], format, toAnsi);
        if (!why.empty()) {
            return LineRef(value.lineNumber) + "the value " + ValueLabel(value.name) + ": " + why;
        }
    }
    for (std::size_t i = 0; i < key.values.size(); ++i) {
        if (!seen[i]) {
            return LineRef(section.lineNumber) + "the section lacks the value " + ValueLabel(key.values[i].name);
        }
    }
    return {};
}

} // namespace

ExportVerdict CheckExport(const std::vector<std::string>& lines, std::string_view keyName, ExportFormat format,
                          const std::vector<LiveKey>& live, const std::function<std::string(std::string_view)>& toAnsi)
{
    const RegExportText text = ReadRegExportText(lines, ExportHeader(format));
    if (!text.error.empty()) {
        return Refused(text.error);
    }
    ByUpperName liveByPath;
    liveByPath.reserve(live.size());
    for (std::size_t i = 0; i < live.size(); ++i) {
        if (!liveByPath.emplace(ToUpperText(live[i].relativePath), i).second) {
            return Refused("the registry's key " + KeyLabel(keyName, live[i].relativePath) + " was walked twice");
        }
    }
    if (!liveByPath.contains("")) {
        return Refused("the walk of the registry lacks the key itself");
    }
    const std::string upperKey = ToUpperText(keyName);
    std::vector<bool> covered(live.size(), false);
    for (const ExportedSection& section : text.sections) {
        const std::string where = LineRef(section.lineNumber) + "the section [" + section.path + "] ";
        const auto relative = RelativePath(ToUpperText(section.path), upperKey);
        if (!relative) {
            return Refused(where + "is neither the key " + std::string(keyName) + " nor below it");
        }
        const auto found = liveByPath.find(*relative);
        if (found == liveByPath.end()) {
            return Refused(where + "is no key of the registry");
        }
        if (covered[found->second]) {
            return Refused(where + "a second time");
        }
        covered[found->second] = true;
        std::string why = CompareValues(section, live[found->second], keyName, format, toAnsi);
        if (!why.empty()) {
            return Refused(std::move(why));
        }
    }
    for (std::size_t i = 0; i < live.size(); ++i) {
        if (!covered[i]) {
            return Refused("the export lacks the section of the key " + KeyLabel(keyName, live[i].relativePath));
        }
    }
    return ExportVerdict{true, {}};
}

ExportReadBack ReadBackExport(const std::vector<std::string>& lines, ExportFormat format,
                              const std::function<std::optional<std::vector<RawValue>>(std::string_view)>& readValues,
                              const std::function<std::string(std::string_view)>& toAnsi)
{
    ExportReadBack result;
    const RegExportText text = ReadRegExportText(lines, ExportHeader(format));
    if (!text.error.empty()) {
        result.error = text.error;
        return result;
    }
    // Each key's export begins with its own section, the keys below it following; the key is named
    // for any of them, as the removal log names it.
    std::string key;
    std::string upperKey;
    std::set<std::string> named;
    for (const ExportedSection& section : text.sections) {
        const std::string upperPath = ToUpperText(section.path);
        if (upperKey.empty() || !RelativePath(upperPath, upperKey)) {
            key = section.path;
            upperKey = upperPath;
        }
        const auto values = readValues(section.path);
        bool back = values.has_value();
        for (std::size_t i = 0; back && i < section.values.size(); ++i) {
            const ExportedValue& exported = section.values[i];
            const auto live = std::find_if(values->begin(), values->end(), [&](const RawValue& value) {
                return EqualsIgnoreCase(value.name, exported.name);
            });
            back = live != values->end() && Difference(exported, *live, format, toAnsi).empty();
        }
        if (!back && named.insert(upperKey).second) {
            result.notBack.push_back(key);
        }
    }
    return result;
}

} // namespace hivetidy
