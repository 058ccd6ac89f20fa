#pragma once
// Registry files as the registry editor writes and reads them, in both versions:
// version 5 is UTF-16LE with a byte-order mark under "Windows Registry Editor Version 5.00",
// version 4 is ANSI (cp1252) under "REGEDIT4". Lines end in CR LF.

#include "component/RegistryStore.h"
#include "platform/Processes.h"
#include "platform/sim/SimRegistry.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hivetidy::sim {

// The export of the key at fullPath and everything below it as UTF-8 text: the header line, an
// empty line, then each key ("[path]", its values, an empty line), key before subkeys. In
// version 4, hex(2) and hex(7) data is in ANSI bytes. nullopt when the key cannot be opened.
[[nodiscard]] std::optional<std::string> ExportKeyText(RegistryStore& store, std::string_view fullPath,
                                                       ExportFormat format);

// The same export as the bytes of the file the editor writes.
[[nodiscard]] std::optional<std::string> ExportKey(RegistryStore& store, std::string_view fullPath,
                                                   ExportFormat format);

// How the data of hex(1), hex(2) and hex(7) values is spelt in a file's text.
enum class HexStrings {
    Utf16,    // the UTF-16LE bytes as stored (a file with byte-order mark)
    Ansi,     // ANSI bytes (a file without)
    ByHeader, // as the header's version writes them (text that has no file encoding)
};

// What an import made of a registry file's text.
struct RegImport {
    bool recognised = false;            // the first line names one of the two versions
    std::vector<std::string> rejected;  // "line N: why: text" for every line that was not taken
};

// Imports UTF-8 registry-file text into the registry, line by line; a line that is neither a key,
// a value nor a comment is rejected too unless ignoreStrayLines (the editor passes over those).
RegImport ImportRegText(SimRegistry& registry, std::string_view utf8Text, HexStrings hexStrings, bool ignoreStrayLines);

// Imports a registry file's bytes (by its byte-order mark UTF-16LE, else ANSI); true when it is a
// registry file and every entry in it was taken.
bool ImportRegFile(SimRegistry& registry, std::string_view fileBytes);

} // namespace hivetidy::sim
