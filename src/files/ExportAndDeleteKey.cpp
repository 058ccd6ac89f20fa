#include "app/Form1.h"

#include "files/ExportCheck.h"
#include "files/WorkingFiles.h"
#include "shared/Failure.h"
#include "shared/Text.h"

#include <optional>
#include <string>
#include <vector>

namespace hivetidy {

std::size_t SizeOf(const std::vector<LiveKey>& keys);

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
    const auto live = ReadLiveKey(*native);
    if (!live || !SkipOnFailure([&] { CopyExportIntoBackup(fullName, *live); })) {
        return;
    }

    const auto sizeBefore = SizeOf(*live);
    bool deleted = false;
    SkipOnFailure([&] {
        Registry().OpenKey(kBindToHive, TaggedValue::Whole(static_cast<std::int32_t>(native->hive)), native->view);
        deleted = Registry().DeleteKey(TaggedValue::Text(native->path), TaggedValue::Truth(true));
    });
    // A delete that failed may still have taken part of the tree with it. Such a key is logged
    // all the same, its export being in the backup, and the user is told at the end.
    const auto after = deleted ? std::nullopt : ReadLiveKey(*native);
    deleted = deleted || !after; // gone all the same
    const bool partly = !deleted && SizeOf(*after) != sizeBefore;
    if (deleted || partly) {
        ++m_removedCount;
        m_partialCount += partly ? 1 : 0;
        m_filesBroken = !SkipOnFailure([&] {
            m_fileNumbers.PrintLine(m_logFileNo, "[" + fullName + "]");
            m_fileNumbers.Flush(m_logFileNo);
        });
    }
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

void Form1::CopyExportIntoBackup(const std::string& keyName, const std::vector<LiveKey>& live)
{
    // The export is taken only when it is this key, whole, in the backup's own format: every
    // section the key or a key below it, every key and value of the live key there with its data,
    // and nothing else. Anything else (no file, another format, another key, a file cut short or
    // one with sections of its own) throws and the key stays.
    std::vector<std::string> encoded;
    std::vector<std::string> decoded;
    m_exportFileNo = m_fileNumbers.FreeFile();
    m_fileNumbers.OpenForInput(m_exportFileNo, m_exportFilePath, EncodingOf(m_backupFormat));
    const bool read = SkipOnFailure([&] {
        while (!m_fileNumbers.Eof(m_exportFileNo)) {
            encoded.push_back(m_fileNumbers.LineInput(m_exportFileNo));
            decoded.push_back(m_fileNumbers.Decode(m_exportFileNo, encoded.back()));
        }
    });
    m_fileNumbers.Close(m_exportFileNo);
    if (!read) {
        throw Failure("export cannot be read");
    }
    const ExportVerdict verdict = CheckExport(decoded, keyName, m_backupFormat, live,
                                              [this](std::string_view utf8) { return m_platform.system.ToAnsi(utf8); });
    if (!verdict.accepted) {
        throw Failure("export not accepted: " + verdict.reason);
    }
    // The header stays behind: the backup has its own.
    m_filesBroken = !SkipOnFailure([&] {
        for (std::size_t i = 1; i < encoded.size(); ++i) {
            m_fileNumbers.PrintEncodedLine(m_backupFileNo, encoded[i]);
        }
        m_fileNumbers.Flush(m_backupFileNo);
    });
    if (m_filesBroken) {
        throw Failure("backup file cannot be written");
    }
}

std::optional<std::vector<LiveKey>> Form1::ReadLiveKey(const RegLocation& location)
{
    // The key as a walk of our own sees it, path by path: what its export must hold, no more.
    struct Collector final : IUseRegItems {
        bool UseNode(RegistryComponent& node, std::int32_t iLevel) override
        {
            // The walk reports each key before the keys below it, so the names of the keys above
            // are the first iLevel - 1 of the path so far.
            path.resize(static_cast<std::size_t>(iLevel - 1));
            path.push_back(node.Name());
            std::string relative;
            for (const std::string& part : path) {
                relative += relative.empty() ? part : "\\" + part;
            }
            keys.push_back(LiveKey{std::move(relative), node.RawValues()});
            return false;
        }
        bool UseItem(RegistryItem& /*item*/, std::int32_t /*iLevel*/) override { return false; }
        std::vector<std::string> path;
        std::vector<LiveKey> keys;
    } collector;
    std::optional<std::vector<LiveKey>> live;
    SkipOnFailure([&] {
        auto key = m_platform.components.Create();
        key->OpenKey(location.hive, TaggedValue::Text(location.path), location.view);
        collector.keys.push_back(LiveKey{"", key->RawValues()});
        key->WalkTree(collector, *key, 0);
        live = std::move(collector.keys);
    });
    return live;
}

std::size_t SizeOf(const std::vector<LiveKey>& keys)
{
    std::size_t size = 0;
    for (const LiveKey& key : keys) {
        size += 1 + key.values.size();
    }
    return size;
}

} // namespace hivetidy
