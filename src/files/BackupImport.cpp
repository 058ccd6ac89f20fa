#include "files/BackupImport.h"

#include "files/BackupRecord.h"
#include "files/ExportCheck.h"
#include "files/UserHives.h"
#include "files/WorkingFiles.h"
#include "shared/Failure.h"
#include "shared/Hives.h"
#include "shared/Text.h"

#include <set>
#include <string>
#include <vector>

namespace hivetidy {

namespace {

constexpr std::string_view kUtf16Bom = "\xFF\xFE";

UndoResult Refused(std::string why)
{
    UndoResult result;
    result.refusal = std::move(why);
    return result;
}

// The text's lines, without their ends (CR LF, LF or CR).
std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text.substr(end).starts_with("\r\n") ? 2 : 1);
    }
    return lines;
}

// A key's values by its full name, as the registry holds them now; nullopt when it cannot be read.
std::optional<std::vector<RawValue>> ValuesOf(const RunPlatform& platform, std::string_view keyName)
{
    std::optional<std::vector<RawValue>> values;
    SkipOnFailure([&] {
        const auto slash = keyName.find('\\');
        const RootHandle root = RootHandleOf(keyName.substr(0, slash));
        if (root == kNoRoot) {
            return;
        }
        auto key = platform.components.Create();
        if (slash == std::string_view::npos) {
            key->OpenKey(kBindToHive, TaggedValue::Whole(static_cast<std::int32_t>(root)), RegView::Native);
        } else {
            key->OpenKey(root, TaggedValue::Text(keyName.substr(slash + 1)), RegView::Native);
        }
        values = key->RawValues();
    });
    return values;
}

} // namespace

bool IsRegistryExport(std::string_view contents)
{
    const auto headed = [&](std::string_view bytes, std::string_view lineEnd) {
        return contents.starts_with(bytes) &&
               (contents.size() == bytes.size() || contents.substr(bytes.size()).starts_with(lineEnd));
    };
    std::string version5("\xFF\xFE");
    for (const char c : kVersion5Header) {
        version5 += c;
        version5 += '\0';
    }
    return headed(version5, std::string_view("\r\0", 2)) || headed(version5, std::string_view("\n\0", 2)) ||
           headed(kVersion4Header, "\r") || headed(kVersion4Header, "\n");
}

namespace {

// The users' hives below HKEY_USERS whose keys the backup's lines name: "[HKEY_USERS\<name>\…]".
std::set<std::string> UserHivesNamed(const std::vector<std::string>& lines)
{
    constexpr std::string_view kUsersSection = "[HKEY_USERS\\";
    std::set<std::string> names;
    for (const std::string& line : lines) {
        if (line.size() <= kUsersSection.size() || ToUpperText(line.substr(0, kUsersSection.size())) != kUsersSection) {
            continue;
        }
        const std::string rest = line.substr(kUsersSection.size());
        const std::string name = rest.substr(0, rest.find_first_of("\\]"));
        if (IsHiveName(name)) {
            names.insert(name);
        }
    }
    return names;
}

} // namespace

UndoResult ImportBackup(const RunPlatform& platform, const std::optional<std::string>& contents, bool silent)
{
    if (!contents) {
        return Refused("Die Sicherungskopie kann nicht gelesen werden und wird nicht importiert.");
    }
    const auto notes = ReadBackupRecord(platform.files);
    if (!notes) {
        return Refused("Die Aufzeichnung der Sicherungskopien " + std::string(kBackupRecordPath) +
                       " kann nicht gelesen werden. Es wird nichts importiert.");
    }
    const auto vouched = VouchedLength(*contents, *notes);
    if (!vouched) {
        // Imported as administrator, a file someone else wrote would change the machine at will.
        return Refused("Die Sicherungskopie stammt von keinem Bereinigungslauf dieses Rechners oder wurde "
                       "ver\u00e4ndert und wird nicht importiert.");
    }
    const std::string_view bytes = std::string_view(*contents).substr(0, *vouched);
    if (!IsRegistryExport(bytes)) {
        return Refused("Die Datei ist keine Sicherungskopie des Registrierungs-Editors und wird nicht importiert.");
    }
    const ExportFormat format = bytes.starts_with(kUtf16Bom) ? ExportFormat::Version5 : ExportFormat::Version4;
    const std::vector<std::string> lines =
        SplitLines(format == ExportFormat::Version5 ? Utf16ToUtf8(LeBytesToUtf16(bytes.substr(kUtf16Bom.size())))
                                                    : platform.system.FromAnsi(bytes));

    // The editor reads a copy that only administrators can change, held from its writing to the
    // editor's end: a folder or link of the path that someone re-points meanwhile changes nothing.
    if (!platform.files.IsRealFolder(kWorkingFolder)) {
        return Refused("Der Arbeitsordner " + std::string(kWorkingFolder) +
                       " ist nicht vorhanden oder kein eigener Ordner. Es wird nichts importiert.");
    }
    std::unique_ptr<HeldFile> copy;
    if (auto file = platform.files.Create(kImportCopyPath); file && file->Write(bytes)) {
        copy = file->CloseIntoHold();
    }
    if (!copy || copy->Contents() != std::optional<std::string>(std::string(bytes))) {
        copy.reset();
        (void)platform.files.Delete(kImportCopyPath);
        return Refused("Die Kopie " + std::string(kImportCopyPath) +
                       " f\u00fcr den Registrierungs-Editor kann nicht geschrieben werden. Es wird nichts importiert.");
    }
    UndoResult result;
    result.leftOut = contents->size() - *vouched;
    // A key of a user who is not logged on goes back into his hive, loaded under the name the run
    // saved it under.
    UserHives userHives(platform.components, platform.hives);
    userHives.LoadNamed(UserHivesNamed(lines));
    result.hivesNotLoaded = userHives.NotLoaded();
    auto editor = platform.processes.StartRegistryEditor(std::string("regedit.exe ") + (silent ? "/s " : "") + "\"" +
                                                         std::string(kImportCopyPath) + "\"");
    if (!editor) {
        result.ending = UndoResult::Ending::EditorNotStarted;
    } else {
        (void)editor->Wait();
        result.ending = UndoResult::Ending::Imported;
        const ExportReadBack readBack = ReadBackExport(
            lines, format, [&](std::string_view keyName) { return ValuesOf(platform, keyName); },
            [&](std::string_view utf8) { return platform.system.ToAnsi(utf8); });
        result.notBack = readBack.notBack;
        result.unchecked = readBack.error;
    }
    result.hivesLeftLoaded = userHives.UnloadAll();
    copy.reset();
    (void)platform.files.Delete(kImportCopyPath);
    return result;
}

std::vector<std::string> UndoShortfallLines(const UndoResult& result, std::size_t mostKeys)
{
    std::vector<std::string> lines;
    if (result.ending != UndoResult::Ending::Imported) {
        return lines;
    }
    if (result.leftOut > 0) {
        lines.push_back("Das Ende der Sicherungskopie (" + std::to_string(result.leftOut) +
                        " Bytes) hat kein Bereinigungslauf geschrieben; es wurde nicht importiert.");
    }
    if (!result.unchecked.empty()) {
        // Never met with a run's own bytes; said all the same rather than taken for everything back.
        lines.push_back("Was eingespielt wurde, kann nicht nachgepr\u00fcft werden (" + result.unchecked + ").");
    }
    for (const std::string& hive : result.hivesNotLoaded) {
        lines.push_back("Nicht geladen: " + hive);
    }
    const std::vector<std::string> leftLoaded = LeftLoadedLines(result.hivesLeftLoaded);
    lines.insert(lines.end(), leftLoaded.begin(), leftLoaded.end());
    if (!result.notBack.empty()) {
        lines.push_back("Nicht wiederhergestellt (" + std::to_string(result.notBack.size()) + " Schl\u00fcssel):");
        for (std::size_t i = 0; i < result.notBack.size() && i < mostKeys; ++i) {
            lines.push_back(result.notBack[i]);
        }
        if (result.notBack.size() > mostKeys) {
            lines.push_back("und " + std::to_string(result.notBack.size() - mostKeys) + " weitere");
        }
    }
    return lines;
}

} // namespace hivetidy
