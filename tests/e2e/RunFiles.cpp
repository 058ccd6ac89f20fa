#include "RunFiles.h"

#include "DriverError.h"
#include "Files.h"
#include "Polling.h"
#include "Processes.h"
#include "Text.h"

namespace hivedrive {

namespace {

constexpr std::wstring_view kLogHeadLine = L"Folgende Knoten wurden aus der Registry gel\u00f6scht :";
constexpr std::wstring_view kStayedHeadLine = L"Folgende Knoten wurden nicht gel\u00f6scht :";
constexpr std::size_t kRulerLength = 41;
constexpr std::wstring_view kExportHeaderLine = L"Windows Registry Editor Version 5.00";
constexpr std::string_view kByteOrderMark = "\xFF\xFE";

} // namespace

std::string ExpectedRemovalLog(const std::vector<std::wstring>& removedKeys, const std::vector<StayedKey>& stayedKeys)
{
    const std::wstring ruler(kRulerLength, L'=');
    std::wstring text = std::wstring(kLogHeadLine) + L"\r\n" + ruler + L"\r\n\r\n";
    for (const std::wstring& key : removedKeys) {
        text += L"[" + key + L"]\r\n";
    }
    if (!stayedKeys.empty()) {
        text += L"\r\n" + std::wstring(kStayedHeadLine) + L"\r\n" + ruler + L"\r\n\r\n";
    }
    for (const StayedKey& stayed : stayedKeys) {
        text += std::wstring(stayed.reason) + L": " + stayed.key + L"\r\n";
    }
    return ToAnsi(text);
}

std::vector<std::wstring> KeysNamedIn(const std::string& removalLog)
{
    std::vector<std::wstring> keys;
    const std::vector<std::wstring> lines = SplitLines(FromAnsi(removalLog));
    for (std::size_t i = 3; i < lines.size(); ++i) {
        const std::wstring& line = lines[i];
        if (line.size() >= 2 && line.front() == L'[' && line.back() == L']') {
            keys.push_back(line.substr(1, line.size() - 2));
        }
    }
    return keys;
}

std::string ExportHeader()
{
    return std::string(kByteOrderMark) + ToUtf16LeBytes(std::wstring(kExportHeaderLine) + L"\r\n");
}

std::string RegistryEditorExport(std::wstring_view key)
{
    const std::wstring exportFile = ScratchFolder(L"exports") + L"\\export.reg";
    RunRegistryEditor(L"/e \"" + exportFile + L"\" \"" + std::wstring(key) + L"\"", kWindowTimeout);
    const std::optional<std::string> exported = ReadBytes(exportFile);
    if (!exported || !exported->starts_with(ExportHeader())) {
        throw DriverError("the registry editor exported no version-5 file for " + ToUtf8(key));
    }
    return *exported;
}

std::string ExpectedBackup(const std::vector<std::wstring>& removedKeys)
{
    std::string backup = ExportHeader();
    for (const std::wstring& key : removedKeys) {
        backup += RegistryEditorExport(key).substr(ExportHeader().size());
    }
    return backup;
}

std::vector<std::wstring> SectionsOf(const std::string& backup)
{
    std::vector<std::wstring> sections;
    const std::string_view body = std::string_view(backup).substr(backup.starts_with(kByteOrderMark) ? 2 : 0);
    for (const std::wstring& line : SplitLines(FromUtf16LeBytes(body))) {
        if (line.size() >= 2 && line.front() == L'[' && line.back() == L']') {
            sections.push_back(line.substr(1, line.size() - 2));
        }
    }
    return sections;
}

} // namespace hivedrive
