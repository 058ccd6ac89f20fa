#pragma once
// Registry files as the registry editor writes and reads them, in both versions:
// version 5 is UTF-16LE with a byte-order mark under "Windows Registry Editor Version 5.00",
// version 4 is ANSI (cp1252) under "REGEDIT4". Lines end in CR LF.

#include "component/RegistryStore.h"
#include "platform/Processes.h"

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

// What an import writes into, by full key paths ("HKEY_CURRENT_USER\\Software\\X"): the simulated
// registry, which its editor imports into.
class RegImportTarget {
public:
    virtual ~RegImportTarget() = default;
    // Whether the text names a key below one of the target's hives.
    [[nodiscard]] virtual bool NamesKey(std::string_view path) const = 0;
    // Creates the key and every missing key above it.
    virtual void CreateKey(std::string_view path) = 0;
    // Creates the key when it is missing and replaces a value of that name in place.
    virtual void SetRaw(std::string_view path, const RawValue& value) = 0;
    // Removes one value; false when the key or the value is not there.
    virtual bool DeleteValue(std::string_view path, std::string_view name) = 0;
    // Removes the key with everything below it; false when it is not there.
    virtual bool DeleteKey(std::string_view path) = 0;
};

// What an import made of a registry file's text.
struct RegImport {
    bool recognised = false;            // the first line names one of the two versions
    std::vector<std::string> rejected;  // "line N: why: text" for every line that was not taken
};

// Imports UTF-8 registry-file text into the registry, line by line; a line that is neither a key,
// a value nor a comment is rejected too unless ignoreStrayLines (the editor passes over those).
RegImport ImportRegText(RegImportTarget& registry, std::string_view utf8Text, HexStrings hexStrings, bool ignoreStrayLines);

// Imports a registry file's bytes (by its byte-order mark UTF-16LE, else ANSI); true when it is a
// registry file and every entry in it was taken.
bool ImportRegFile(RegImportTarget& registry, std::string_view fileBytes);

} // namespace hivetidy::sim
