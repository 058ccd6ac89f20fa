#include "passes/CleaningRun.h"

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

// Where HKEY_CURRENT_USER keeps the user's own classes, which HKEY_CLASSES_ROOT shows first.
constexpr std::string_view kUsersClassesPrefix = "Software\\Classes\\";

} // namespace

KeyOutcome CleaningRun::ExportAndDeleteKey(std::string_view hiveName, std::string_view keyPrefix, std::string_view keyName)
{
    return ExportAndDeleteKey(RegLocation{RootHandleOf(hiveName), RegView::Native, std::string(keyPrefix) + std::string(keyName)});
}

KeyOutcome CleaningRun::ExportAndDeleteKey(const RegLocation& location)
{
    // No failure inside reaches the caller. The one rule above all: a key is deleted only once its
    // export is in the backup file and on the disk. Every way it can stay is told.
    if (!SkipOnFailure([&] { Registry().OpenKey(location.hive, TaggedValue::Text(location.path), location.view); })) {
        return KeyOutcome::Of(KeyOutcome::Kind::NotThere); // passed over in silence
    }
    if (m_outcome.FilesWereBroken()) {
        // A backup or log that could not be written stops the deleting for good.
        return KeyOutcome::Stay(NameForLog(location), StayReason::DeletingStopped);
    }
    // From here on the key is the one it really is: the editor, the backup, the log and the delete
    // all take this one value, so what is exported is what is deleted.
    std::optional<RegLocation> key;
    SkipOnFailure([&] { key = KeyBehind(location); });
    if (!key || key->path.find('"') != std::string::npos) {
        // Without its own name, or with one that cannot be quoted on the editor's command line, it
        // cannot be saved.
        return KeyOutcome::Stay(NameForLog(location), StayReason::NoEditorName);
    }
    const std::string fullName = EditorName(*key);
    if (m_preview) {
        // Here a run would export and delete. A key it deleted it would not meet again, under
        // another of its names included; a preview, which deletes nothing, must pass over it so.
        const std::string identity = IdentityOf(*key);
        if (!identity.empty() && !m_keysPreviewed.insert(identity).second) {
            return KeyOutcome::Of(KeyOutcome::Kind::NotThere);
        }
        return KeyOutcome::Of(KeyOutcome::Kind::Removed, fullName);
    }

    // A stale export, or one someone else put there and holds open, must never pass for this
    // key's one: unless the name is free, the key stays.
    if (!m_files.FreeExportFile()) {
        return KeyOutcome::Stay(fullName, StayReason::ExportFileBusy);
    }
    // The driver keeps anyone from ending the program between the export and the delete.
    m_driver.ExportBegins();
    auto editor = m_platform.processes.StartRegistryEditor("regedit /e  c:\\registry\\hlp.reg \"" + fullName + "\"");
    (void)WaitOnProgram(editor.get());
    m_driver.ExportEnds();
    if (!editor) {
        return KeyOutcome::Stay(fullName, StayReason::ExportNotMade);
    }
    const auto live = ReadLiveKey(*key);
    if (!live) {
        return KeyOutcome::Stay(fullName, StayReason::KeyUnreadable);
    }
    if (const auto refused = m_files.CopyExportIntoBackup(fullName, *live)) {
        if (*refused == StayReason::DeletingStopped) {
            m_outcome.FilesBroken(); // the backup took no more
        }
        return KeyOutcome::Stay(fullName, *refused);
    }

    bool deleted = false;
    SkipOnFailure([&] {
        Registry().OpenKey(kBindToHive, TaggedValue::Whole(static_cast<std::int32_t>(key->hive)), key->view);
        deleted = Registry().DeleteKey(TaggedValue::Text(key->path), TaggedValue::Truth(true));
    });
    // A delete that failed may still have taken part of the tree with it. Such a key is logged
    // all the same, its export being in the backup, and the user is told at the end. A tree that
    // was read whole before and cannot be now has changed too.
    bool partly = false;
    if (!deleted) {
        const bool there = SkipOnFailure([&] { Registry().OpenKey(key->hive, TaggedValue::Text(key->path), key->view); });
        if (!there) {
            deleted = true; // gone all the same
        } else {
            const auto after = ReadLiveKey(*key);
            partly = !after || SizeOf(*after) != SizeOf(*live);
        }
    }
    if (!deleted && !partly) {
        return KeyOutcome::Stay(fullName, StayReason::DeleteDenied);
    }
    if (!m_files.LogRemoved(fullName)) {
        m_outcome.FilesBroken();
    }
    return KeyOutcome::Of(partly ? KeyOutcome::Kind::RemovedInPart : KeyOutcome::Kind::Removed, fullName);
}

std::uint32_t CleaningRun::WaitOnProgram(StartedProcess* process)
{
    // The process is held by its handle from its start, so it is never confused with another one
    // that was given the same id after it ended.
    return process ? process->Wait() : 0;
}

RegLocation CleaningRun::NativeLocationOf(const RegLocation& location)
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

RegLocation CleaningRun::KeyBehind(const RegLocation& location)
{
    RegLocation native = NativeLocationOf(location);
    if (native.hive != kHkeyClassesRoot) {
        return native;
    }
    // HKEY_CLASSES_ROOT shows the user's classes over the machine's, and a key removed or saved by
    // that name would come back machine-wide. Which of the two the name reaches is asked of the
    // registry by the key's own name, as for the two views (Wine does not merge them at all).
    auto shown = m_platform.components.Create();
    shown->OpenKey(native.hive, TaggedValue::Text(native.path), RegView::Native);
    const std::string identity = shown->Identity();
    RegLocation users{kHkeyCurrentUser, RegView::Native, std::string(kUsersClassesPrefix) + native.path};
    auto probe = m_platform.components.Create();
    if (SkipOnFailure([&] { probe->OpenKey(users.hive, TaggedValue::Text(users.path), RegView::Native); }) &&
        probe->Identity() == identity) {
        return users;
    }
    // The machine's key keeps its HKEY_CLASSES_ROOT name, as the editor and every log have it.
    return native;
}

std::optional<std::vector<LiveKey>> CleaningRun::ReadLiveKey(const RegLocation& location)
{
    // The key as the registry holds it, path by path: what its export must hold, no more. Read
    // strictly: a subkey or value that cannot be read would be missing from the export as well,
    // and the check would pass while the delete took it with no copy.
    std::optional<std::vector<LiveKey>> live;
    SkipOnFailure([&] {
        auto key = m_platform.components.Create();
        key->OpenKey(location.hive, TaggedValue::Text(location.path), location.view);
        live = key->ReadTree();
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
