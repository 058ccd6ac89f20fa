#pragma once
// The cleaning run: its passes over the registry, its files, and how it ended. It works through a
// RunDriver (the window or the command line) and knows nothing of either. A preview walks the
// same way and names what a run would remove, but touches nothing.

#include "files/ExportAndDeleteKey.h"
#include "files/RealKey.h"
#include "files/RunComponent.h"
#include "files/RunFiles.h"
#include "files/RunOutcome.h"
#include "files/UserHives.h"
#include "passes/RunDriver.h"
#include "passes/RunPasses.h"
#include "passes/SharedState.h"
#include "platform/Platform.h"

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

class CleaningRun final {
public:
    CleaningRun(const RunPlatform& platform, RunDriver& driver);
    ~CleaningRun();

    CleaningRun(const CleaningRun&) = delete;
    CleaningRun& operator=(const CleaningRun&) = delete;

    // Lists the user hives and looks for the maker's own keys; true when one is there. With
    // loggedOff (only with the run lock held) the hives of the users who are not logged on are
    // loaded for the look, and unloaded again.
    [[nodiscard]] bool FindMakerKeys(bool loggedOff);
    // The whole run, from the installation folder to the driver's RunEnded.
    void Start();
    // The same walk, in which every key that would be exported and deleted is only accounted for
    // under the name the log would give it. No editor, no file, no folder, no change.
    void Preview();
    // Sets InstallFolder and InstallFolderShort; a run (not a preview) makes sure C:\REGISTRY exists.
    void LocateInstallation();

    [[nodiscard]] SharedState& State() { return m_state; }
    // The backup, the removal log and the export file, for the drivers and Undo.
    [[nodiscard]] RunFiles& Files() { return m_files; }
    [[nodiscard]] RunStage Stage() const { return m_stage; }
    [[nodiscard]] const RunOutcome& Outcome() const { return m_outcome; }
    // The program ends now, whatever the run was doing: the component lets its key go, the users'
    // hives the run loaded are unloaded, and every file is closed with what was written to it. The
    // names below HKEY_USERS of the hives that stayed loaded.
    [[nodiscard]] std::vector<std::string> EndNow() noexcept;

private:
    // Start and Preview: the same steps, a preview leaving out every one that writes.
    void Go();
    // Takes the backup file the driver names, and creates it and the removal log with their head
    // lines. Throws Failure when a file cannot be created.
    void OpenRunFiles();
    // Unloads the users' hives the run loaded, its component's key let go first; each that stayed
    // loaded goes into the outcome.
    void UnloadUserHives();
    // Ends the log with the keys that stayed, ends the writing of the backup while holding it,
    // closes the log and every other open file, and deletes the export file.
    void CloseRunFiles();

    RunPlatform m_platform;
    RunDriver& m_driver;
    SharedState m_state;
    // The backup, the removal log and the export file.
    RunFiles m_files;
    RunComponent m_component;
    // What the keys the run meets really are.
    RealKey m_realKey;
    // What became of every key the run set out to remove; once the backup or the log could not be
    // written it says so, and no key is deleted after.
    RunOutcome m_outcome;
    // The one place a key is exported and deleted.
    KeyRemoval m_removal;
    // The hives of the users who are not logged on, loaded for the run.
    UserHives m_userHives;
    RunPasses m_passes;
    // A preview: nothing is exported, deleted or written.
    bool m_preview = false;
    RunStage m_stage = RunStage::ChoosingBackup;
};

} // namespace hivetidy
