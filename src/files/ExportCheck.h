#pragma once
// Whether a registry export is the key it was made of, whole: before a key is deleted its export
// goes into the backup, and Undo imports that backup as administrator. An export cut short (the
// editor crashed, the disk ran full) would lose the key's values; a planted file with sections of
// other keys would write them into the registry on Undo. Both must be refused.

#include "component/RegistryStore.h"
#include "platform/Processes.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hivetidy {

// What the check found; accepted when the export is exactly the live key.
struct ExportVerdict {
    bool accepted = false;
    std::string reason; // English, for logs and tests; empty when accepted
};

// Checks the export's lines (decoded to UTF-8, the header first, as read) against the key as it
// was walked just before (live holds the key itself as ""). keyName is the key's full name as
// given to the editor ("HKEY_LOCAL_MACHINE\\SOFTWARE\\X"); toAnsi converts UTF-8 to the ANSI code
// page, which the version-4 format uses for the bytes of string values written as hex. Linear in
// the size of the export and of the live key; whatever the lines, it judges and does not throw.
[[nodiscard]] ExportVerdict CheckExport(const std::vector<std::string>& lines, std::string_view keyName,
                                        ExportFormat format, const std::vector<LiveKey>& live,
                                        const std::function<std::string(std::string_view)>& toAnsi);

// What reading an imported export back from the registry found.
struct ExportReadBack {
    std::string error;                 // the text is not an export: "line N: why"; else empty
    std::vector<std::string> notBack;  // the sections' keys the registry does not hold as exported
};

// Reads every section of an export (lines as for CheckExport) back through readValues, which gives
// a key's values by its full name ("HKEY_LOCAL_MACHINE\\SOFTWARE\\X"), nullopt when the key cannot
// be opened or read. A key is back when it is there and has each of its section's values with the
// same type and data; values it has beyond them are not looked at, since an import adds and
// never removes. A key is named, once, when it or a key below it is not back, by the section that
// begins its export: a backup holds each removed key's export, its own section first.
[[nodiscard]] ExportReadBack ReadBackExport(
    const std::vector<std::string>& lines, ExportFormat format,
    const std::function<std::optional<std::vector<RawValue>>(std::string_view)>& readValues,
    const std::function<std::string(std::string_view)>& toAnsi);

} // namespace hivetidy
