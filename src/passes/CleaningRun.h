#pragma once
// The cleaning run: its passes over the registry, its files, and how it ended. It works through a
// RunDriver (the window or the command line) and knows nothing of either. A preview walks the
// same way and names what a run would remove, but touches nothing.

#include "component/RegistryComponent.h"
#include "files/ExportAndDeleteKey.h"
#include "files/ExportCheck.h"
#include "files/FileNumbers.h"
#include "files/KeyOutcome.h"
#include "files/RealKey.h"
#include "files/RunFiles.h"
#include "passes/Callbacks.h"
#include "passes/RunDriver.h"
#include "passes/RunOutcome.h"
#include "passes/KeyClaim.h"
#include "passes/RemovalScope.h"
#include "passes/SharedState.h"
#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace hivetidy {

// Where a run stands, for telling the user what failed when it cannot go on.
enum class RunStage {
    CheckingWorkingFolder,
    ChoosingBackup,
    CreatingBackup,
    CreatingLog,
    ReadingClasses,
    ReadingWow32Classes, // the 32-bit view's class tree, on 64-bit Windows
    ReadingTypeLibraries,
    RemovingKeys,
};

// What the user is told when the run cannot go on at that stage.
[[nodiscard]] std::string_view FailureText(RunStage stage);

class CleaningRun final : public IUseRegItems, private KeyRemovalRun {
public:
    CleaningRun(const RunPlatform& platform, RunDriver& driver);
    ~CleaningRun() override;

    CleaningRun(const CleaningRun&) = delete;
    CleaningRun& operator=(const CleaningRun&) = delete;

    // Lists the user hives and looks for the maker's own keys; true when one is there. Nothing
    // here fails: each probe is judged by itself.
    [[nodiscard]] bool FindMakerKeys();
    // The whole run, from the installation folder to the driver's RunEnded.
    void Start();
    // The same walk, in which every key that would be exported and deleted is only accounted for
    // under the name the log would give it. No editor, no file, no folder, no change.
    void Preview();

    // The class-key collector: one call per class key below HKEY_CLASSES_ROOT\CLSID.
    bool UseNode(RegistryComponent& node, std::int32_t iLevel) override;
    bool UseItem(RegistryItem& item, std::int32_t iLevel) override;

    // Sets InstallFolder and InstallFolderShort; a run (not a preview) makes sure C:\REGISTRY exists.
    void LocateInstallation();
    // Takes the backup file the driver names.
    void ChooseBackupFile();
    // Exports root\keyPrefix+keyName of the native view into the backup file, deletes it and logs
    // it; what became of it.
    KeyOutcome ExportAndDeleteKey(std::string_view hiveName, std::string_view keyPrefix, std::string_view keyName);
    // The same for a key of either view, exported, deleted and logged as the key it really is.
    KeyOutcome ExportAndDeleteKey(const RegLocation& location);
    // Creates the backup file and the removal log with their head lines, and names the export
    // file. Throws Failure when a file cannot be created.
    void OpenRunFiles();
    // Ends the log with the keys that stayed, ends the writing of the backup while holding it,
    // closes the log and every other open file, and deletes the export file.
    void CloseRunFiles();
    // Closes every open file with what was written to it and lets the backup go: the program ends.
    void CloseAll() noexcept;

    [[nodiscard]] SharedState& State() { return m_state; }
    // The backup, the removal log and the export file, for the drivers and Undo.
    [[nodiscard]] RunFiles& Files() { return m_files; }
    [[nodiscard]] RunStage Stage() const { return m_stage; }
    [[nodiscard]] const RunOutcome& Outcome() const { return m_outcome; }

private:
    // The run's component object, created on first use. Throws Failure when it cannot be.
    RegistryComponent& Registry() override;
    // The outcome's say on the backup and the log, and the driver's on ending the program, for
    // the removal of a key.
    [[nodiscard]] bool FilesWereBroken() const override { return m_outcome.FilesWereBroken(); }
    void FilesBroken() override { m_outcome.FilesBroken(); }
    void ExportBegins() override { m_driver.ExportBegins(); }
    void ExportEnds() override { m_driver.ExportEnds(); }
    void Yield();
    // Start and Preview: the same steps, a preview leaving out every one that writes.
    void Go();
    // Into the outcome, and told to the driver where it is a key taken up.
    void Account(const KeyOutcome& key);
    // The walk of HKEY_CLASSES_ROOT\CLSID in one view: the classes to remove, in the walk's order.
    [[nodiscard]] std::vector<ClassEntry> CollectClasses(RegView view);
    // The removals of the classes found in one view.
    void RemoveClasses(RegView view, const std::vector<ClassEntry>& classes);
    // The run's steps that no failure may end (the passes after the class pass, and the closing).
    void RunRemainingPasses(const std::vector<RegView>& views);
    // True when the view has a class tree of its own to walk (the native view always). Throws
    // Failure for one that is there but cannot be opened or told from the native view's.
    [[nodiscard]] bool HasOwnClassTree(RegView view);
    // Binds the run's component to the tree, where the view has one of its own (not the native
    // view's very key) that is there; false otherwise. A tree that is there but cannot be opened
    // or told from the native view's is told as unreadable.
    [[nodiscard]] bool OpenTree(const RegLocation& tree);
    RunPlatform m_platform;
    RunDriver& m_driver;
    SharedState m_state;
    // The backup, the removal log and the export file.
    RunFiles m_files;
    // What the keys the run meets really are.
    RealKey m_realKey;
    // The one place a key is exported and deleted.
    KeyRemoval m_removal;
    CallbackObjects m_callbacks;
    // Whose a key is by its own data, asked just before it is removed.
    KeyClaims m_claims;
    // The fixed places below which keys are removed, and the claims each must pass.
    RemovalScope m_scope;

    std::unique_ptr<RegistryComponent> m_registry;
    // A preview: nothing is exported, deleted or written.
    bool m_preview = false;
    RunStage m_stage = RunStage::ChoosingBackup;
    // What became of every key the run set out to remove; once the backup or the log could not be
    // written it says so, and no key is deleted after.
    RunOutcome m_outcome;
};

} // namespace hivetidy
