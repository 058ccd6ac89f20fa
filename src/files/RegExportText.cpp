#include "files/RegExportText.h"

#include "component/RegistryStore.h"
#include "files/WorkingFiles.h"
#include "shared/Text.h"

#include <optional>
#include <utility>

namespace hivetidy {

namespace {

constexpr std::string_view kHexTag = "hex:";
constexpr std::string_view kTypedHexTag = "hex(";
constexpr std::string_view kDwordTag = "dword:";
constexpr std::size_t kDwordDigits = 8;
constexpr std::size_t kMaxTypeDigits = 8;

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::uint32_t HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint32_t>(c - '0');
    }
    return static_cast<std::uint32_t>((c | 0x20) - 'a' + 10);
}

// 1 to maxDigits hex digits and nothing else; nullopt otherwise.
std::optional<std::uint32_t> HexNumber(std::string_view digits, std::size_t maxDigits)
{
    if (digits.empty() || digits.size() > maxDigits) {
        return std::nullopt;
    }
    std::uint32_t number = 0;
    for (const char c : digits) {
        if (!IsHexDigit(c)) {
            return std::nullopt;
        }
        number = (number << 4) | HexDigitValue(c);
    }
    return number;
}

// Upper-casing keeps ASCII letters ASCII and every other character not, so only a line of the
// (ASCII) header's length can equal it ignoring case: the length spares the full compare of
// every line.
bool IsHeader(std::string_view line, std::string_view header)
{
    return line.size() == header.size() && EqualsIgnoreCase(line, header);
}

struct Quoted {
    std::string text;
    std::size_t end = 0; // just past the closing quote
};

// A quoted text from just after its opening quote, with the escapes the editor writes (\\ \" \r
// \n); nullopt when it is not closed or holds any other escape, which an importer might read
// otherwise than we do.
std::optional<Quoted> ReadQuoted(std::string_view line, std::size_t start)
{
    Quoted quoted;
    for (std::size_t i = start; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            quoted.end = i + 1;
            return quoted;
        }
        if (c != '\\') {
            quoted.text.push_back(c);
            continue;
        }
        if (++i == line.size()) {
            return std::nullopt;
        }
        switch (line[i]) {
        case '\\':
        case '"':
            quoted.text.push_back(line[i]);
            break;
        case 'n':
            quoted.text.push_back('\n');
            break;
        case 'r':
            quoted.text.push_back('\r');
            break;
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

class Reader {
public:
    explicit Reader(RegExportText& out) : m_out(out) {}

    // False once a line is not what the editor writes; the error is in the result then.
    bool Line(std::size_t number, std::string_view line)
    {
        m_number = number;
        if (line.find('\0') != std::string_view::npos) {
            // The editor writes such data as hex; an importer reading C strings would stop there.
            return Fail("a NUL character");
        }
        if (IsHeader(line, kVersion4Header) || IsHeader(line, kVersion5Header)) {
            return Fail("a second header");
        }
        switch (m_state) {
        case State::Between:
            if (line.empty()) {
                return true;
            }
            if (line.front() == '[') {
                return SectionLine(line);
            }
            return Fail("a line outside any section");
        case State::InSection:
            if (line.empty()) {
                m_state = State::Between;
                return true;
            }
            if (line.front() == '@' || line.front() == '"') {
                return ValueLine(line);
            }
            if (line.front() == '[') {
                return Fail("a section before the previous one was closed by an empty line");
            }
            return Fail("neither a value nor an empty line");
        case State::Continued:
            return Continuation(line);
        }
        return Fail("unreadable");
    }

    // The editor closes every section with an empty line, the last one too: a file that ends
    // inside a section, or inside continued hex data, was cut short.
    bool Finish(std::size_t lastLine)
    {
        m_number = lastLine;
        if (m_state == State::Continued) {
            return Fail("hex data continued past the end of the file");
        }
        if (m_state == State::InSection) {
            return Fail("the file ends inside a section, without the empty line that closes it");
        }
        return true;
    }

private:
    enum class State {
        Between,   // after the header or an empty line: a section may start
        InSection, // after a section or value line
        Continued, // after a hex line that ends in ",\"
    };

    bool Fail(std::string_view why)
    {
        m_out.error = "line " + std::to_string(m_number) + ": " + std::string(why);
        return false;
    }

    bool SectionLine(std::string_view line)
    {
        if (line.size() < 2 || line.back() != ']') {
            return Fail("a malformed section line");
        }
        // A key name may itself hold brackets: the name is everything between the first and the last.
        std::string_view path = line.substr(1, line.size() - 2);
        if (path.empty()) {
            return Fail("an empty section name");
        }
        if (path.front() == '-') {
            return Fail("a section that deletes a key");
        }
        m_out.sections.push_back(ExportedSection{std::string(path), m_number, {}});
        m_state = State::InSection;
        return true;
    }

    bool ValueLine(std::string_view line)
    {
        ExportedValue value;
        value.lineNumber = m_number;
        std::size_t at = 1;
        if (line.front() == '"') {
            auto name = ReadQuoted(line, 1);
            if (!name) {
                return Fail("a value name that is not closed or holds an unknown escape");
            }
            if (name->text.empty()) {
                return Fail("an empty quoted value name"); // the editor writes the unnamed value as @
            }
            value.name = std::move(name->text);
            at = name->end;
        }
        if (at >= line.size() || line[at] != '=') {
            return Fail("no '=' right after the value name");
        }
        const std::string_view data = line.substr(at + 1);
        if (data == "-") {
            return Fail("a line that deletes a value");
        }
        if (data.starts_with('"')) {
            auto text = ReadQuoted(data, 1);
            if (!text || text->end != data.size()) {
                return Fail("a malformed string");
            }
            value.form = ExportedForm::Text;
            value.type = kRegSz;
            value.data = std::move(text->text);
            return Take(std::move(value));
        }
        if (data.starts_with(kDwordTag)) {
            const std::string_view digits = data.substr(kDwordTag.size());
            const auto number = digits.size() == kDwordDigits ? HexNumber(digits, kDwordDigits) : std::nullopt;
            if (!number) {
                return Fail("a malformed dword");
            }
            value.form = ExportedForm::Dword;
            value.type = kRegDword;
            for (int shift = 0; shift < 32; shift += 8) {
                value.data.push_back(static_cast<char>((*number >> shift) & 0xFF));
            }
            return Take(std::move(value));
        }
        std::string_view bytes;
        if (data.starts_with(kHexTag)) {
            value.type = kRegBinary;
            bytes = data.substr(kHexTag.size());
        } else if (data.starts_with(kTypedHexTag)) {
            const std::size_t close = data.find("):");
            const auto type = close == std::string_view::npos
                                  ? std::nullopt
                                  : HexNumber(data.substr(kTypedHexTag.size(), close - kTypedHexTag.size()), kMaxTypeDigits);
            if (!type) {
                return Fail("a malformed hex type");
            }
            value.type = *type;
            bytes = data.substr(close + 2);
        } else {
            return Fail("a data form the editor does not write");
        }
        value.form = ExportedForm::Hex;
        if (!Take(std::move(value))) {
            return false;
        }
        return bytes.empty() || HexBytes(bytes); // no bytes at all: "hex(0):"
    }

    bool Take(ExportedValue value)
    {
        m_out.sections.back().values.push_back(std::move(value));
        return true;
    }

    // A continued line starts with blanks (the editor writes two) and goes on with the bytes.
    bool Continuation(std::string_view line)
    {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == 0 || start == std::string_view::npos) {
            return Fail("hex data does not go on where the previous line said it would");
        }
        m_state = State::InSection;
        return HexBytes(line.substr(start));
    }

    // Two-digit bytes separated by commas; ",\" at the end continues them on the next line.
    bool HexBytes(std::string_view text)
    {
        std::string& data = m_out.sections.back().values.back().data;
        std::size_t at = 0;
        while (true) {
            if (at + 2 > text.size() || !IsHexDigit(text[at]) || !IsHexDigit(text[at + 1])) {
                return Fail("malformed hex data");
            }
            data.push_back(static_cast<char>((HexDigitValue(text[at]) << 4) | HexDigitValue(text[at + 1])));
            at += 2;
            if (at == text.size()) {
                m_state = State::InSection;
                return true;
            }
            if (text[at] != ',') {
                return Fail("malformed hex data");
            }
            ++at;
            if (text.substr(at) == "\\") {
                m_state = State::Continued;
                return true;
            }
        }
    }

    RegExportText& m_out;
    State m_state = State::Between;
    std::size_t m_number = 0;
};

} // namespace

RegExportText ReadRegExportText(const std::vector<std::string>& lines, std::string_view header)
{
    RegExportText result;
    if (lines.empty() || !IsHeader(lines.front(), header)) {
        result.error = "line 1: not the header \"" + std::string(header) + "\"";
        return result;
    }
    Reader reader(result);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (!reader.Line(i + 1, lines[i])) {
            return result;
        }
    }
    (void)reader.Finish(lines.size());
    return result;
}

} // namespace hivetidy
