#pragma once
// The main window: start-up, its buttons and timer, and the class-key collector of the class pass.
// Its handlers are spread over the subsystems' folders: app/ (start-up, Cancel/Exit, timer, Undo),
// files/ (installation folder, backup file choice, export and delete), passes/ (the run, collector).

#include "component/RegistryComponent.h"
#include "files/ExportCheck.h"
#include "files/FileNumbers.h"
#include "passes/Callbacks.h"
#include "passes/SharedState.h"
#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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
    // Exports root\keyPrefix+keyName of the native view into the backup file, deletes it and logs it.
    void ExportAndDeleteKey(std::string_view hiveName, std::string_view keyPrefix, std::string_view keyName);
    // The same for a key of either view, exported, deleted and logged as the native key it is.
    void ExportAndDeleteKey(const RegLocation& location);

    // Creates the backup file and the removal log with their head lines, and names the export
    // file. Throws Failure when a file cannot be created.
    void OpenRunFiles();
    // Closes the backup file, the log and every other open file, and deletes the export file.
    void CloseRunFiles();

    // Ends the program at once: every open file is closed with what was written to it.
    [[noreturn]] void EndProgram();

    [[nodiscard]] SharedState& State() { return m_state; }
    [[nodiscard]] FileNumbers& Files() { return m_fileNumbers; }
    [[nodiscard]] std::int32_t ElapsedTicks() const { return m_elapsedTicks; }
    [[nodiscard]] bool MakerKeyFound() const { return m_makerKeyFound; }
    [[nodiscard]] const std::string& BackupFileName() const { return m_backupFileName; }
    [[nodiscard]] const std::string& ExportFilePath() const { return m_exportFilePath; }

private:
    // The window's component object, created on first use. Throws Failure when it cannot be.
    RegistryComponent& Registry();
    void Yield();
    // Creates the backup file BackupFileName in the current directory with its header line.
    void CreateBackupFile();
    // Creates the removal log with its three head lines.
    void CreateRemovalLog();
    // Appends the export of the key of that name to the backup file and flushes it, once it is
    // found to be the live key, whole; throws Failure otherwise.
    void CopyExportIntoBackup(const std::string& keyName, const std::vector<LiveKey>& live);
    // The key and every key below it with their values, as a walk sees them; nullopt when the
    // key is not there or cannot be read.
    [[nodiscard]] std::optional<std::vector<LiveKey>> ReadLiveKey(const RegLocation& location);
    // The class pass of one view: the walk of HKEY_CLASSES_ROOT\CLSID, then its removals.
    void RunClassPass(RegView view);
    // The run's steps that no failure may end (the passes after the class pass, and the closing).
    void RunRemainingPasses(const std::vector<RegView>& views);
    // The native key that a key of either view is: the WOW6432Node one where the 32-bit view
    // has its own, the plain one where both views share it. Throws Failure when it cannot tell.
    [[nodiscard]] RegLocation NativeLocationOf(const RegLocation& location);
    // True for a native key, and for a 32-bit-view key that is not the native view's very key.
    [[nodiscard]] bool IsOwnKeyOfView(const RegLocation& location);
    // Whether the key at a location may go, asked just before it is removed.
    using RemovalGuard = std::function<bool(const RegLocation&)>;
    // The only way the run removes a key: one key name directly below one of its fixed prefixes,
    // and only when the guard, if any, lets it go.
    void RemoveBelow(RegView view, std::string_view hiveName, std::string_view keyPrefix, std::string_view keyName,
                     const RemovalGuard& guard = {});
    // The guard of a key that must itself refer into the controller folders.
    [[nodiscard]] RemovalGuard RefersToController();
    // The ProgID key's own CLSID value names the class (ignoring case).
    [[nodiscard]] bool ProgIdKeyNamesClass(const RegLocation& progIdKey, std::string_view classId);
    // A text value of the key, or of a key below it, refers into the controller folders.
    [[nodiscard]] bool KeyRefersToControllerDir(const RegLocation& location);
    // The type library has files, and every one of them is in the controller folders.
    [[nodiscard]] bool TypeLibIsControllersOwn(const RegLocation& location);
    // The maker's own key below the root of a hive, or below a user hive of HKEY_USERS.
    void RemoveMakerKey(std::string_view hiveName, RegView view, std::string_view userHive);
    void EnterFinishedState();
    // A run that could not go on: the files closed, the user told what failed and what was
    // deleted, Exit offered, and Undo where this run made a backup.
    void ReportFailedRun();
    // The end of a run that deleted less than it set out to: the user is told, with the files.
    void ReportPartialRun();
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
    // Set once the backup file or the removal log could not be written; no key is deleted after.
    bool m_filesBroken = false;
    // This run's backup file exists: only then is there anything for Undo.
    bool m_backupCreated = false;
    // The closed backup, kept open for reading until the program ends, so that the file Undo
    // imports is the very file the run wrote.
    std::unique_ptr<HeldFile> m_backupHold;
    // Keys named in the log, and among them those deleted only in part.
    int m_removedCount = 0;
    int m_partialCount = 0;
};

} // namespace hivetidy
