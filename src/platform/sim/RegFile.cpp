#include "platform/sim/RegFile.h"

#include "platform/sim/Cp1252.h"
#include "platform/sim/KeyPath.h"
#include "shared/Text.h"

#include <cstdint>
#include <utility>

namespace hivetidy::sim {

namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kByteOrderMark = "\xFF\xFE";
constexpr std::string_view kLineEnd = "\r\n";
// The editor wraps hex data once a line holds this many characters, backslash not counted.
constexpr std::size_t kHexWrapColumn = 77;
// A continued hex line starts with two blanks.
constexpr std::string_view kHexIndent = "  ";

bool IsStringType(std::uint32_t type)
{
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return (c | 0x20) - 'a' + 10;
}

std::string_view SkipBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

std::string_view TrimTrailingBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Nothing but blanks, or a comment, is left of the line.
bool IsLineRestEmpty(std::string_view rest)
{
    rest = SkipBlanks(rest);
    return rest.empty() || rest.front() == ';';
}

std::string LowerHex(std::uint32_t number, int minDigits)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[number & 0xF]);
        number >>= 4;
    } while (number != 0);
    while (static_cast<int>(out.size()) < minDigits) {
        out.insert(out.begin(), '0');
    }
    return out;
}

std::string_view HeaderOf(ExportFormat format)
{
    return format == ExportFormat::Version5 ? kHeader5 : kHeader4;
}

// ----- export -----

std::string Escaped(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

// String data that reads back unchanged from a quoted string: one NUL, at its end.
std::optional<std::u16string> CleanString(const std::string& data)
{
    if (data.size() < 2 || data.size() % 2 != 0) {
        return std::nullopt;
    }
    std::u16string text = LeBytesToUtf16(data);
    if (text.back() != u'\0') {
        return std::nullopt;
    }
    text.pop_back();
    if (text.find(u'\0') != std::u16string::npos) {
        return std::nullopt;
    }
    return text;
}

std::uint32_t DwordOf(const std::string& data)
{
    std::uint32_t number = 0;
    for (int i = 3; i >= 0; --i) {
        number = (number << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
    }
    return number;
}

void AppendHexData(std::string& line, const RawValue& value, ExportFormat format)
{
    const std::string tag = value.type == kRegBinary ? "hex:" : "hex(" + LowerHex(value.type, 1) + "):";
    line += tag;
    std::string bytes = value.data;
    if (format == ExportFormat::Version4 && IsStringType(value.type)) {
        bytes = Utf8ToCp1252(Utf16ToUtf8(LeBytesToUtf16(value.data)));
    }
    // The editor counts the line's width in UTF-16 characters, the value name included.
    std::size_t column = Utf8ToUtf16(line).size();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        line += LowerHex(static_cast<unsigned char>(bytes[i]), 2);
        if (i + 1 == bytes.size()) {
            break;
        }
        line += ',';
        column += 3;
        if (column >= kHexWrapColumn) {
            line += "\\";
            line += kLineEnd;
            line += kHexIndent;
            column = kHexIndent.size();
        }
    }
}

std::string ValueLine(const RawValue& value, ExportFormat format)
{
    std::string line = "@=";
    if (!value.name.empty()) {
        line = '"' + Escaped(value.name) + "\"=";
    }
    if (value.type == kRegSz) {
        if (const auto text = CleanString(value.data)) {
            return line + "\"" + Escaped(Utf16ToUtf8(*text)) + "\"";
        }
    }
    if (value.type == kRegDword && value.data.size() == 4) {
        return line + "dword:" + LowerHex(DwordOf(value.data), 8);
    }
    AppendHexData(line, value, format);
    return line;
}

void AppendTree(std::string& text, StoreKey& key, const std::string& path, ExportFormat format)
{
    text += kLineEnd;
    text += "[" + path + "]";
    text += kLineEnd;
    // A key that cannot be read contributes its name alone, as the editor's enumeration ends there.
    for (const RawValue& value : key.Values().value_or(std::vector<RawValue>{})) {
        text += ValueLine(value, format);
        text += kLineEnd;
    }
    for (const std::string& name : key.SubkeyNames().value_or(std::vector<std::string>{})) {
        if (auto child = key.Open(name)) {
            AppendTree(text, *child, path + "\\" + name, format);
        }
    }
}

// ----- import -----

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

struct Unescaped {
    std::string text;
    std::string_view rest; // after the closing quote
};

// A quoted text from just after its opening quote; nullopt when it does not end in a quote.
std::optional<Unescaped> Unescape(std::string_view quoted)
{
    std::string out;
    for (std::size_t i = 0; i < quoted.size(); ++i) {
        const char c = quoted[i];
        if (c == '"') {
            return Unescaped{out, quoted.substr(i + 1)};
        }
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (++i == quoted.size() || quoted[i] == '0') {
            return std::nullopt;
        }
        out.push_back(quoted[i] == 'n' ? '\n' : quoted[i] == 'r' ? '\r' : quoted[i]);
    }
    return std::nullopt;
}

class Importer {
public:
    Importer(RegImportTarget& registry, bool utf16HexStrings, bool ignoreStrayLines)
        : m_registry(registry), m_utf16HexStrings(utf16HexStrings), m_ignoreStrayLines(ignoreStrayLines)
    {
    }

    void Line(std::size_t number, std::string_view line)
    {
        m_number = number;
        m_text = line;
        if (m_pending) {
            Continuation(line);
            return;
        }
        const std::string_view start = SkipBlanks(line);
        if (start.empty() || start.front() == ';') {
            return;
        }
        if (start.front() == '[') {
            KeyLine(start.substr(1));
        } else if (start.front() == '@' || start.front() == '"') {
            ValueLine(start);
        } else if (!m_ignoreStrayLines) {
            Reject("neither a key nor a value");
        }
    }

    // Hex data continued to the end of the file is taken as far as it goes, as the editor does.
    void Finish()
    {
        if (m_pending) {
            SetPending();
        }
    }

    std::vector<std::string> TakeRejected() { return std::move(m_rejected); }

private:
    void Reject(std::string_view why)
    {
        m_rejected.push_back("line " + std::to_string(m_number) + ": " + std::string(why) + ": " + std::string(m_text));
    }

    void KeyLine(std::string_view inside)
    {
        m_key.reset();
        const std::size_t close = inside.rfind(']');
        if (inside.empty() || IsBlank(inside.front()) || close == std::string_view::npos) {
            Reject("malformed key name");
            return;
        }
        const std::string_view name = inside.substr(0, close);
        if (name.starts_with('-')) {
            const auto parsed = ParseKeyPath(name.substr(1));
            if (!parsed || parsed->below.empty()) {
                Reject("cannot delete that key");
                return;
            }
            (void)m_registry.DeleteKey(name.substr(1)); // a key that is not there is no error
            return;
        }
        if (!m_registry.NamesKey(name)) {
            Reject("not a key path");
            return;
        }
        m_registry.CreateKey(name);
        m_key = std::string(name);
    }

    void ValueLine(std::string_view line)
    {
        std::string name;
        std::string_view rest;
        if (line.front() == '@') {
            rest = line.substr(1);
        } else {
            auto unescaped = Unescape(line.substr(1));
            if (!unescaped) {
                Reject("unterminated value name");
                return;
            }
            name = std::move(unescaped->text);
            rest = unescaped->rest;
        }
        rest = SkipBlanks(rest);
        if (!rest.starts_with('=')) {
            Reject("no '=' after the value name");
            return;
        }
        if (!m_key) {
            Reject("value outside a key");
            return;
        }
        const std::string_view data = TrimTrailingBlanks(SkipBlanks(rest.substr(1)));
        if (data.starts_with('-') && IsLineRestEmpty(data.substr(1))) {
            (void)m_registry.DeleteValue(*m_key, name); // a value that is not there is no error
        } else if (data.starts_with('"')) {
            StringData(std::move(name), data.substr(1));
        } else if (data.starts_with("dword:")) {
            DwordData(std::move(name), data.substr(6));
        } else if (data.starts_with("hex:")) {
            StartHex(std::move(name), kRegBinary, data.substr(4));
        } else if (data.starts_with("hex(")) {
            TypedHexData(std::move(name), data.substr(4));
        } else {
            Reject("unknown data type");
        }
    }

    void StringData(std::string name, std::string_view quoted)
    {
        const auto unescaped = Unescape(quoted);
        if (!unescaped || !IsLineRestEmpty(unescaped->rest)) {
            Reject("malformed string");
            return;
        }
        Set(RawValue{std::move(name), kRegSz, Utf16ToLeBytes(Utf8ToUtf16(unescaped->text) + u'\0')});
    }

    void DwordData(std::string name, std::string_view digits)
    {
        digits = SkipBlanks(digits);
        std::size_t count = 0;
        std::uint32_t number = 0;
        while (count < digits.size() && IsHexDigit(digits[count])) {
            number = (number << 4) | static_cast<std::uint32_t>(HexDigitValue(digits[count]));
            ++count;
        }
        if (count == 0 || count > 8 || !IsLineRestEmpty(digits.substr(count))) {
            Reject("malformed dword");
            return;
        }
        std::string data;
        for (int shift = 0; shift < 32; shift += 8) {
            data.push_back(static_cast<char>((number >> shift) & 0xFF));
        }
        Set(RawValue{std::move(name), kRegDword, data});
    }

    void TypedHexData(std::string name, std::string_view afterParen)
    {
        std::size_t count = 0;
        std::uint64_t type = 0;
        while (count < afterParen.size() && IsHexDigit(afterParen[count]) && type <= 0xFFFFFFFFu) {
            type = (type << 4) | static_cast<std::uint64_t>(HexDigitValue(afterParen[count]));
            ++count;
        }
        if (count == 0 || type > 0xFFFFFFFFu || afterParen.substr(count, 2) != "):") {
            Reject("malformed hex type");
            return;
        }
        StartHex(std::move(name), static_cast<std::uint32_t>(type), afterParen.substr(count + 2));
    }

    void StartHex(std::string name, std::uint32_t type, std::string_view bytes)
    {
        m_pending = RawValue{std::move(name), type, {}};
        HexBytes(bytes);
    }

    void Continuation(std::string_view line)
    {
        const std::string_view start = SkipBlanks(line);
        if (start.empty() || start.front() == ';') {
            return; // blank and comment lines may stand between continued lines
        }
        if (!IsHexDigit(start.front())) {
            m_pending.reset();
            Reject("hex data does not go on");
            return;
        }
        HexBytes(start);
    }

    // Comma-separated bytes; a backslash after the last comma continues them on the next line.
    void HexBytes(std::string_view text)
    {
        while (true) {
            text = SkipBlanks(text);
            if (text.empty() || text.front() == ';') {
                SetPending();
                return;
            }
            if (text.front() == '\\') {
                if (!IsLineRestEmpty(text.substr(1))) {
                    break;
                }
                return; // the next line goes on
            }
            std::size_t count = 0;
            unsigned byte = 0;
            while (count < text.size() && IsHexDigit(text[count]) && byte <= 0xFF) {
                byte = (byte << 4) | static_cast<unsigned>(HexDigitValue(text[count]));
                ++count;
            }
            if (count == 0 || byte > 0xFF) {
                break;
            }
            m_pending->data.push_back(static_cast<char>(byte));
            text.remove_prefix(count);
            if (text.starts_with(',')) {
                text.remove_prefix(1);
            } else if (IsLineRestEmpty(text)) {
                SetPending();
                return;
            } else {
                break;
            }
        }
        m_pending.reset();
        Reject("malformed hex data");
    }

    void SetPending()
    {
        RawValue value = std::move(*m_pending);
        m_pending.reset();
        // String data gets its terminating NUL if the file left it off; ANSI data is widened.
        if (IsStringType(value.type) && !value.data.empty()) {
            if (m_utf16HexStrings) {
                if (value.data.size() < 2 || value.data.substr(value.data.size() - 2) != std::string(2, '\0')) {
                    value.data += std::string(2, '\0');
                }
            } else {
                if (value.data.back() != '\0') {
                    value.data.push_back('\0');
                }
                value.data = Utf16ToLeBytes(Utf8ToUtf16(Cp1252ToUtf8(value.data)));
            }
        }
        Set(std::move(value));
    }

    void Set(RawValue value)
    {
        m_registry.SetRaw(*m_key, value);
    }

    RegImportTarget& m_registry;
    bool m_utf16HexStrings;
    bool m_ignoreStrayLines;
    std::optional<std::string> m_key;      // the key that values go to
    std::optional<RawValue> m_pending;     // hex data continued on the next line
    std::size_t m_number = 0;
    std::string_view m_text;
    std::vector<std::string> m_rejected;
};

} // namespace

std::optional<std::string> ExportKeyText(RegistryStore& store, std::string_view fullPath, ExportFormat format)
{
    const auto parsed = ParseKeyPath(fullPath);
    if (!parsed) {
        return std::nullopt;
    }
    std::unique_ptr<StoreKey> key = store.OpenHive(parsed->root);
    if (key && !parsed->below.empty()) {
        key = key->Open(parsed->below);
    }
    if (!key) {
        return std::nullopt;
    }
    std::string text(HeaderOf(format));
    text += kLineEnd;
    // The key's name as it was asked for; the keys below it as the registry spells them.
    AppendTree(text, *key, parsed->below.empty() ? parsed->hiveName : parsed->hiveName + "\\" + parsed->below, format);
    text += kLineEnd;
    return text;
}

std::optional<std::string> ExportKey(RegistryStore& store, std::string_view fullPath, ExportFormat format)
{
    const auto text = ExportKeyText(store, fullPath, format);
    if (!text) {
        return std::nullopt;
    }
    if (format == ExportFormat::Version5) {
        return std::string(kByteOrderMark) + Utf16ToLeBytes(Utf8ToUtf16(*text));
    }
    return Utf8ToCp1252(*text);
}

RegImport ImportRegText(RegImportTarget& registry, std::string_view utf8Text, HexStrings hexStrings, bool ignoreStrayLines)
{
    const std::vector<std::string_view> lines = SplitLines(utf8Text);
    RegImport result;
    const std::string_view header = lines.empty() ? std::string_view{} : SkipBlanks(lines.front());
    if (header != kHeader4 && header != kHeader5) {
        return result;
    }
    result.recognised = true;
    const bool utf16 = hexStrings == HexStrings::Utf16 || (hexStrings == HexStrings::ByHeader && header == kHeader5);
    Importer importer(registry, utf16, ignoreStrayLines);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        importer.Line(i + 1, lines[i]);
    }
    importer.Finish();
    result.rejected = importer.TakeRejected();
    return result;
}

bool ImportRegFile(RegImportTarget& registry, std::string_view fileBytes)
{
    const bool utf16 = fileBytes.starts_with(kByteOrderMark);
    const std::string text = utf16 ? Utf16ToUtf8(LeBytesToUtf16(fileBytes.substr(kByteOrderMark.size())))
                                   : Cp1252ToUtf8(fileBytes);
    const RegImport result = ImportRegText(registry, text, utf16 ? HexStrings::Utf16 : HexStrings::Ansi, true);
    return result.recognised && result.rejected.empty();
}

} // namespace hivetidy::sim
