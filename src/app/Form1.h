#pragma once
// The main window: start-up, its buttons and timer, and the class-key collector of the class pass.
// Its handlers are spread over the subsystems' folders: app/ (start-up, Cancel/Exit, timer, Undo),
// files/ (installation folder, backup file choice, export and delete), passes/ (the run, collector).

#include "component/RegistryComponent.h"
#include "files/ExportCheck.h"
#include "files/FileNumbers.h"
#include "files/KeyOutcome.h"
#include "passes/Callbacks.h"
#include "passes/RunOutcome.h"
#include "passes/ScopeGuard.h"
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
enum class RunStage { CheckingWorkingFolder, ChoosingBackup, CreatingBackup, CreatingLog, ReadingClasses, ReadingTypeLibraries, RemovingKeys };

class Form1 final : public FormEvents, public IUseRegItems {
public:
    explicit Form1(Platform& platform);
    ~Form1() override;

    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Start-up, before the window is first shown.
    void Form_Load();

    // The cleaning run.
    void Command1_Click() override;
    // Cancel or Exit: ends the program at once.
    void Command2_Click() override;
    // Undo: imports the backup file and ends the program.
    void Command3_Click() override;
    void Check1_Click() override;
    void Timer1_Timer() override;
    // Closing from the title bar ends the program, as Cancel does.
    void CloseBox() override;

    // The class-key collector: one call per class key below HKEY_CLASSES_ROOT\CLSID.
    bool UseNode(RegistryComponent& node, std::int32_t iLevel) override;
    bool UseItem(RegistryItem& item, std::int32_t iLevel) override;

    // Blocks until the process has ended; its exit code, 0 when there is no process or no code.
    std::uint32_t WaitOnProgram(StartedProcess* process);
    // Makes sure C:\REGISTRY exists and sets InstallFolder and InstallFolderShort.
    void LocateInstallation();
    // Asks for the backup file until one is confirmed or the user ends the program.
    void AskBackupFile();
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

    // Ends the program at once: every open file is closed with what was written to it.
    [[noreturn]] void EndProgram();

    [[nodiscard]] SharedState& State() { return m_state; }
    [[nodiscard]] FileNumbers& Files() { return m_fileNumbers; }
    [[nodiscard]] std::int32_t ElapsedTicks() const { return m_elapsedTicks; }
    [[nodiscard]] bool MakerKeyFound() const { return m_makerKeyFound; }
    [[nodiscard]] const std::string& BackupFileName() const { return m_backupFileName; }
    [[nodiscard]] const std::string& ExportFilePath() const { return m_exportFilePath; }
    [[nodiscard]] const RunOutcome& Outcome() const { return m_outcome; }

private:
    // The window's component object, created on first use. Throws Failure when it cannot be.
    RegistryComponent& Registry();
    void Yield();
    // Creates the backup file BackupFileName in the current directory with its header line.
    void CreateBackupFile();
    // Creates the removal log with its three head lines.
    void CreateRemovalLog();
    // Appends the export of the key of that name to the backup file and flushes it, once it is
    // found to be the live key, whole; otherwise why the key must stay.
    [[nodiscard]] std::optional<StayReason> CopyExportIntoBackup(const std::string& keyName,
                                                                 const std::vector<LiveKey>& live);
    // The key and every key below it with their values; nullopt when the key is not there or any
    // part of it cannot be read.
    [[nodiscard]] std::optional<std::vector<LiveKey>> ReadLiveKey(const RegLocation& location);
    // The walk of HKEY_CLASSES_ROOT\CLSID in one view: the classes to remove, in the walk's order.
    [[nodiscard]] std::vector<ClassEntry> CollectClasses(RegView view);
    // The removals of the classes found in one view.
    void RemoveClasses(RegView view, const std::vector<ClassEntry>& classes);
    // The run's steps that no failure may end (the passes after the class pass, and the closing).
    void RunRemainingPasses(const std::vector<RegView>& views);
    // The native key that a key of either view is: the WOW6432Node one where the 32-bit view
    // has its own, the plain one where both views share it. Throws Failure when it cannot tell.
    [[nodiscard]] RegLocation NativeLocationOf(const RegLocation& location);
    // The key a location really is: the native one, and of a name below HKEY_CLASSES_ROOT, which
    // shows the user's classes over the machine's, the user's key below
    // HKEY_CURRENT_USER\Software\Classes where it is his. Throws Failure when it cannot tell.
    [[nodiscard]] RegLocation KeyBehind(const RegLocation& location);
    // True for a native key, and for a 32-bit-view key that is not the native view's very key.
    [[nodiscard]] bool IsOwnKeyOfView(const RegLocation& location);
    // Whose a key is, by its own data, asked of the key it really is just before it is removed.
    using RemovalGuard = std::function<KeyClaim(const RegLocation&)>;
    // The only way the run removes a key: one key name directly below one of its fixed prefixes,
    // and only when the guard, if any, claims it for the controller; where a name below
    // HKEY_CLASSES_ROOT reaches the user's own key, usersGuard must claim it too. What became of
    // it goes into the run's outcome.
    void RemoveBelow(RegView view, std::string_view hiveName, std::string_view keyPrefix, std::string_view keyName,
                     const RemovalGuard& guard = {}, const RemovalGuard& usersGuard = {});
    // The guard of a key that must itself refer into the controller folders.
    [[nodiscard]] RemovalGuard RefersToController();
    // The guard of a type library: every file of it the controller's.
    [[nodiscard]] RemovalGuard ControllersLibrary();
    // The ProgID key's own CLSID value names the class (ignoring case).
    [[nodiscard]] bool ProgIdKeyNamesClass(const RegLocation& progIdKey, std::string_view classId);
    // A text value of the key, or of a key below it, refers into the controller folders.
    [[nodiscard]] bool KeyRefersToControllerDir(const RegLocation& location);
    // The controller's when the type library has files and every one of them is in the controller
    // folders; shared when only some are, or it cannot be read whole, while it refers into them.
    [[nodiscard]] KeyClaim TypeLibClaim(const RegLocation& location);
    // The maker's own key below the root of a hive, or below a user hive of HKEY_USERS.
    void RemoveMakerKey(std::string_view hiveName, RegView view, std::string_view userHive);
    // The window's last state, from the outcome: failed tells a run that could not go on.
    void EnterFinishedState(bool failed);
    // A run that could not go on: the files closed, the user told what failed and what was
    // deleted, Exit offered, and Undo where this run removed something.
    void ReportFailedRun();
    // The end of a run that deleted less than it set out to: the user is told, with the files.
    void ReportPartialRun();
    // Why Undo must not import the backup: it is no longer what the run wrote; nullopt when it is.
    [[nodiscard]] std::optional<std::string> BackupRefusal();
    // The backup file's full path, in the folder the user chose it in.
    [[nodiscard]] std::string BackupFilePath();

    Platform& m_platform;
    SharedState m_state;
    FileNumbers m_fileNumbers;
    CallbackObjects m_callbacks;

    std::unique_ptr<RegistryComponent> m_registry;
    std::int32_t m_elapsedTicks = 0;
    bool m_makerKeyFound = false;
    std::string m_backupFileName;
    std::string m_exportFilePath;
    FileNo m_backupFileNo = 0;
    FileNo m_exportFileNo = 0;
    FileNo m_logFileNo = 0;
    ExportFormat m_backupFormat = ExportFormat::Version4;
    RunStage m_stage = RunStage::ChoosingBackup;
    // What became of every key the run set out to remove; once the backup or the log could not be
    // written it says so, and no key is deleted after.
    RunOutcome m_outcome;
    // The system's own names (upper case) of the keys the run has taken up for removal.
    std::set<std::string> m_keysTakenUp;
    // This run's backup file exists: only then is there anything for Undo.
    bool m_backupCreated = false;
    // The backup, held from the end of its writing until the program ends, and the digest of
    // every byte the run wrote into it: Undo imports it only while it holds exactly those.
    std::unique_ptr<HeldFile> m_backupHold;
    std::string m_backupDigest;
    // What the label says in the finished state.
    std::string m_finishedHint;
};

} // namespace hivetidy
