#include "app/Form1.h"

#include "files/WorkingFiles.h"
#include "shared/Failure.h"
#include "shared/Text.h"

#include <optional>
#include <string>
#include <vector>

namespace hivetidy {

namespace {

TextEncoding EncodingOf(ExportFormat format)
{
    return format == ExportFormat::Version5 ? TextEncoding::Utf16Le : TextEncoding::Ansi;
}

} // namespace

void Form1::ExportAndDeleteKey(std::string_view hiveName, std::string_view keyPrefix, std::string_view keyName)
{
    ExportAndDeleteKey(RegLocation{RootHandleOf(hiveName), RegView::Native, std::string(keyPrefix) + std::string(keyName)});
}

void Form1::ExportAndDeleteKey(const RegLocation& location)
{
    // No failure inside reaches the caller. The one rule above all: a key is deleted only once its
    // export is in the backup file and on the disk.
    if (m_filesBroken) {
        return; // a backup or log that could not be written stops the deleting for good
    }
    if (!SkipOnFailure([&] { Registry().OpenKey(location.hive, TaggedValue::Text(location.path), location.view); })) {
        return; // not there: passed over in silence
    }
    // From here on the key is the native one it is: the editor, the backup, the log and the delete
    // all take this one value, so what is exported is what is deleted.
    std::optional<RegLocation> native;
    SkipOnFailure([&] { native = NativeLocationOf(location); });
    if (!native || native->path.find('"') != std::string::npos) {
        return; // cannot be quoted on the editor's command line, so it cannot be saved
    }
    const std::string fullName = EditorName(*native);

    // A stale export, or one someone else put there and holds open, must never pass for this
    // key's one: unless the name is free, the key stays.
    if (!m_platform.files.Delete(m_exportFilePath) && !m_platform.files.FindFirst(m_exportFilePath).empty()) {
        return;
    }
    // The window repaints while the editor runs; with Cancel disabled no click can wait in the
    // queue to end the program between the export and the delete.
    Window& window = m_platform.window;
    window.SetEnabled(Control::Command2, false);
    auto editor = m_platform.processes.StartRegistryEditor("regedit /e  c:\\registry\\hlp.reg \"" + fullName + "\"");
    (void)WaitOnProgram(editor.get());
    window.SetEnabled(Control::Command2, true);
    window.SetFocus(Control::Command2);
    if (!editor) {
        return;
    }
    if (!SkipOnFailure([&] { CopyExportIntoBackup("[" + fullName + "]"); })) {
        return;
    }

    const auto sizeBefore = TreeSize(*native);
    bool deleted = false;
    SkipOnFailure([&] {
        Registry().OpenKey(kBindToHive, TaggedValue::Whole(static_cast<std::int32_t>(native->hive)), native->view);
        deleted = Registry().DeleteKey(TaggedValue::Text(native->path), TaggedValue::Truth(true));
    });
    // A delete that failed may still have taken part of the tree with it. Such a key is logged
    // all the same, its export being in the backup, and the user is told at the end.
    const auto sizeAfter = deleted ? std::nullopt : TreeSize(*native);
    deleted = deleted || !sizeAfter; // gone all the same
    const bool partly = !deleted && sizeAfter != sizeBefore;
    if (deleted || partly) {
        ++m_removedCount;
        m_partialCount += partly ? 1 : 0;
        m_filesBroken = !SkipOnFailure([&] {
            m_fileNumbers.PrintLine(m_logFileNo, "[" + fullName + "]");
            m_fileNumbers.Flush(m_logFileNo);
        });
    }
}

std::optional<std::size_t> Form1::TreeSize(const RegLocation& location)
{
    // Counts what a walk reaches: enough to tell an untouched key from one that lost a part.
    struct Counter final : IUseRegItems {
        bool UseNode(RegistryComponent& node, std::int32_t /*iLevel*/) override
        {
            count += 1 + node.RawValues().size();
            return false;
        }
        bool UseItem(RegistryItem& /*item*/, std::int32_t /*iLevel*/) override { return false; }
        std::size_t count = 0;
    } counter;
    std::optional<std::size_t> size;
    SkipOnFailure([&] {
        auto key = m_platform.components.Create();
        key->OpenKey(location.hive, TaggedValue::Text(location.path), location.view);
        counter.count = 1 + key->RawValues().size();
        key->WalkTree(counter, *key, 0);
        size = counter.count;
    });
    return size;
}

RegLocation Form1::NativeLocationOf(const RegLocation& location)
{
    if (location.view == RegView::Native) {
        return location;
    }
    // A key of the 32-bit view is either its own key below WOW6432Node or the very key of the
    // native view that both views share. Which keys are shared differs between Windows versions
    // (and Wine, which links them), so it is asked of the registry: the native name that reaches
    // the same key is the one. A key that neither name reaches is never touched.
    auto own = m_platform.components.Create();
    own->OpenKey(location.hive, TaggedValue::Text(location.path), location.view);
    const std::string identity = own->Identity();

    // The plain name first: where a link makes the WOW6432Node name reach the shared key too, the
    // key keeps its one plain name.
    std::vector<RegLocation> candidates{RegLocation{location.hive, RegView::Native, location.path}};
    if (auto redirected = RedirectedLocation(location)) {
        candidates.push_back(std::move(*redirected));
    }
    auto probe = m_platform.components.Create();
    for (const RegLocation& candidate : candidates) {
        if (SkipOnFailure([&] { probe->OpenKey(candidate.hive, TaggedValue::Text(candidate.path), RegView::Native); }) &&
            probe->Identity() == identity) {
            return candidate;
        }
    }
    throw Failure("the 32-bit view's key has no native name");
}

void Form1::CopyExportIntoBackup(std::string_view sectionLine)
{
    // The export is taken only if it is in the backup's own format and holds the key's section;
    // anything else (no file, another format, another key) throws and the key stays.
    const std::string_view header = ExportHeader(m_backupFormat);
    std::vector<std::string> lines;
    bool headerFirst = false;
    bool hasSection = false;
    m_exportFileNo = m_fileNumbers.FreeFile();
    m_fileNumbers.OpenForInput(m_exportFileNo, m_exportFilePath, EncodingOf(m_backupFormat));
    const bool read = SkipOnFailure([&] {
        for (bool first = true; !m_fileNumbers.Eof(m_exportFileNo); first = false) {
            std::string line = m_fileNumbers.LineInput(m_exportFileNo);
            const std::string text = m_fileNumbers.Decode(m_exportFileNo, line);
            const bool isHeader = EqualsIgnoreCase(text, header);
            headerFirst = headerFirst || (first && isHeader);
            hasSection = hasSection || EqualsIgnoreCase(text, sectionLine);
            // Header lines are dropped wherever they stand: the backup has its own.
            if (!isHeader) {
                lines.push_back(std::move(line));
            }
        }
    });
    m_fileNumbers.Close(m_exportFileNo);
    if (!read) {
        throw Failure("export cannot be read");
    }
    if (!headerFirst || !hasSection) {
        throw Failure("export not accepted");
    }
    m_filesBroken = !SkipOnFailure([&] {
        for (const std::string& line : lines) {
            m_fileNumbers.PrintEncodedLine(m_backupFileNo, line);
        }
        m_fileNumbers.Flush(m_backupFileNo);
    });
    if (m_filesBroken) {
        throw Failure("backup file cannot be written");
    }
}

} // namespace hivetidy
