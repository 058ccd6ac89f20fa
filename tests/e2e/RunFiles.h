#pragma once
// The two files a cleaning run leaves: the removal log C:\REGISTRY\HIVETIDY.BAK and the backup
// file in the registry editor's export format.

#include <string>
#include <string_view>
#include <vector>

namespace hivedrive {

// Why a key that a run set out to remove stayed, as the removal log says it.
inline constexpr std::wstring_view kExportFailed = L"Export misslungen";
inline constexpr std::wstring_view kExportIncomplete = L"Export unvollst\u00e4ndig";
inline constexpr std::wstring_view kExportFileBusy = L"hlp.reg belegt";

// A key that a run set out to remove and left, with its reason.
struct StayedKey {
    std::wstring_view reason;
    std::wstring key;
};

// The removal log of a run that removed these keys and left those, each in the order the run met
// them: the three head lines and one "[key]" line per removed key; where keys stayed, an empty
// line, the second head line with its ruler and an empty line, and one "reason: key" line per
// key. In the ANSI code page, CR LF after every line.
[[nodiscard]] std::string ExpectedRemovalLog(const std::vector<std::wstring>& removedKeys,
                                             const std::vector<StayedKey>& stayedKeys = {});
// The keys a removal log names after its head lines, without their brackets.
[[nodiscard]] std::vector<std::wstring> KeysNamedIn(const std::string& removalLog);

// The first line of the registry editor's exports here, with its byte-order mark and line end:
// Wine's editor, like Windows', exports version 5, UTF-16LE.
[[nodiscard]] std::string ExportHeader();
// The registry editor's export of the key as it is now, the whole file with its header.
[[nodiscard]] std::string RegistryEditorExport(std::wstring_view key);
// The backup of a run that removed these keys: the header once, then each key's export without
// its header. Each export is made now with the registry editor, so call it before the run.
[[nodiscard]] std::string ExpectedBackup(const std::vector<std::wstring>& removedKeys);
// The section lines of a backup file, the key names without their brackets.
[[nodiscard]] std::vector<std::wstring> SectionsOf(const std::string& backup);

} // namespace hivedrive
