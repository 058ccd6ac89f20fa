#include "files/ExportAndDeleteKey.h"

#include "shared/Failure.h"
#include "shared/Hives.h"
#include "shared/Text.h"

#include <optional>
#include <string>
#include <vector>

namespace hivetidy {

namespace {

// How many keys and values a tree has: one that changed in a delete that failed differs.
std::size_t SizeOf(const std::vector<LiveKey>& keys)
{
    std::size_t size = 0;
    for (const LiveKey& key : keys) {
        size += 1 + key.values.size();
    }
    return size;
}

} // namespace

KeyRemoval::KeyRemoval(RunComponent& registry, RunOutcome& outcome, ExportWatch& watch, RunFiles& files,
                       RealKey& realKey, Processes& processes)
    : m_registry(registry),
      m_outcome(outcome),
      m_watch(watch),
      m_files(files),
      m_realKey(realKey),
      m_processes(processes)
{
}

KeyOutcome KeyRemoval::ExportAndDeleteKey(std::string_view hiveName, std::string_view keyPrefix, std::string_view keyName)
{
    return ExportAndDeleteKey(RegLocation{RootHandleOf(hiveName), RegView::Native, std::string(keyPrefix) + std::string(keyName)},
                              false);
}

KeyOutcome KeyRemoval::ExportAndDeleteKey(const RegLocation& location, bool preview)
{
    // No failure inside reaches the caller. The one rule above all: a key is deleted only once its
    // export is in the backup file and on the disk. Every way it can stay is told.
    if (!SkipOnFailure([&] { m_registry().OpenKey(location.hive, TaggedValue::Text(location.path), location.view); })) {
        return KeyOutcome::Of(KeyOutcome::Kind::NotThere); // passed over in silence
    }
    if (m_outcome.FilesWereBroken()) {
        // A backup or log that could not be written stops the deleting for good.
        return KeyOutcome::Stay(NameForLog(location), StayReason::DeletingStopped);
    }
    // From here on the key is the one it really is: the editor, the backup, the log and the delete
    // all take this one value, so what is exported is what is deleted.
    std::optional<RegLocation> key;
    SkipOnFailure([&] { key = m_realKey.KeyBehind(location); });
    if (!key || key->path.find('"') != std::string::npos) {
        // Without its own name, or with one that cannot be quoted on the editor's command line, it
        // cannot be saved.
        return KeyOutcome::Stay(NameForLog(location), StayReason::NoEditorName);
    }
    const std::string fullName = EditorName(*key);
    if (preview) {
        // Here a run would export and delete. A key it deleted it would not meet again, under
        // another of its names included; a preview, which deletes nothing, must pass over it so.
        const std::string identity = m_realKey.IdentityOf(*key);
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
    m_watch.ExportBegins();
    auto editor = m_processes.StartRegistryEditor("regedit /e  c:\\registry\\hlp.reg \"" + fullName + "\"");
    (void)WaitOnProgram(editor.get());
    m_watch.ExportEnds();
    if (!editor) {
        return KeyOutcome::Stay(fullName, StayReason::ExportNotMade);
    }
    const auto live = m_realKey.ReadLiveKey(*key);
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
        m_registry().OpenKey(kBindToHive, TaggedValue::Whole(static_cast<std::int32_t>(key->hive)), key->view);
        deleted = m_registry().DeleteKey(TaggedValue::Text(key->path), TaggedValue::Truth(true));
    });
    // A delete that failed may still have taken part of the tree with it. Such a key is logged
    // all the same, its export being in the backup, and the user is told at the end. A tree that
    // was read whole before and cannot be now has changed too.
    bool partly = false;
    if (!deleted) {
        const bool there = SkipOnFailure([&] { m_registry().OpenKey(key->hive, TaggedValue::Text(key->path), key->view); });
        if (!there) {
            deleted = true; // gone all the same
        } else {
            const auto after = m_realKey.ReadLiveKey(*key);
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

std::uint32_t WaitOnProgram(StartedProcess* process)
{
    // The process is held by its handle from its start, so it is never confused with another one
    // that was given the same id after it ended.
    return process ? process->Wait() : 0;
}


} // namespace hivetidy
