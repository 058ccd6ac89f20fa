#pragma once
// The two files a cleaning run leaves: the removal log C:\REGISTRY\HIVETIDY.BAK and the backup
// file in the registry editor's export format.

#include <string>
#include <vector>

namespace hivedrive {

// The removal log of a run that removed these keys in this order: the three head lines and one
// "[key]" line per key, in the ANSI code page, CR LF after every line.
[[nodiscard]] std::string ExpectedRemovalLog(const std::vector<std::wstring>& removedKeys);
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
