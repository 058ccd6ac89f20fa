#pragma once
// The text of a registry editor's export (`regedit /e`), read strictly in the forms the editor
// writes: anything else (a deletion, a comment, a stray line, a section left open at the end) is
// an error, because a file that strays from those forms is not an export the editor finished.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hivetidy {

// How a value's data is spelt in the file.
enum class ExportedForm {
    Text,  // "..."; REG_SZ
    Dword, // dword:0000000a; REG_DWORD of four bytes
    Hex,   // hex:.. (REG_BINARY) or hex(n):.. (any type)
};

// One value line, with its continuation lines.
struct ExportedValue {
    std::string name; // unescaped; empty for "@"
    ExportedForm form = ExportedForm::Text;
    std::uint32_t type = 0; // the registry type the form stands for
    std::string data;       // Text: the unescaped UTF-8 text; Dword: four little-endian bytes; Hex: the bytes
    std::size_t lineNumber = 0;
};

// One "[path]" line and the values below it, up to the empty line that closes it.
struct ExportedSection {
    std::string path; // between the brackets, as written
    std::size_t lineNumber = 0;
    std::vector<ExportedValue> values;
};

struct RegExportText {
    std::vector<ExportedSection> sections;
    std::string error; // empty when every line was read; else "line N: why"
};

// Reads the export's lines (decoded to UTF-8, without line ends, the header first). The header
// must be the first line, compared ignoring case, and neither version's header may stand anywhere
// else; each section must be closed by an empty line, the last one too.
[[nodiscard]] RegExportText ReadRegExportText(const std::vector<std::string>& lines, std::string_view header);

} // namespace hivetidy
