#pragma once
// Users' hives on the simulated machine. A hive file is a file of the simulated file system that
// holds the hive as the registry editor's version-5 text (UTF-8, no byte-order mark), each key
// named below the hive's root "HIVE" ("[HIVE]", "[HIVE\Software\Robot]"), so that it can be loaded
// under any name. While it is loaded the system holds the file open without sharing, as Windows
// does; unloading writes the keys back as they are then, as Windows keeps a user's changes.

#include "platform/Hives.h"
#include "platform/sim/SimFileSystem.h"
#include "platform/sim/SimRegistry.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hivetidy::sim {

// The name of a hive's root in a hive file.
inline constexpr char kHiveFileRoot[] = "HIVE";

// The hive file's text for the keys below the header (".reg" lines naming keys below "HIVE"), in
// the form the simulated system writes it; nullopt when the lines are no hive.
[[nodiscard]] std::optional<std::string> HiveFileText(std::string_view keyLines);

// The hive file's keys and values in that same form; nullopt when the text is no hive.
[[nodiscard]] std::optional<std::string> ReadHiveFileText(std::string_view fileText);

class SimHives final : public Hives {
public:
    // The environment of an administrator on drive C:.
    SimHives(SimRegistry& registry, SimFileSystem& files);

    SimHives(const SimHives&) = delete;
    SimHives& operator=(const SimHives&) = delete;

    // Hives, as Windows behaves: a file that another process has open for anything is InUse, the
    // loaded file stays open without sharing until it is unloaded, and a refused Load leaves
    // nothing below HKEY_USERS.
    [[nodiscard]] HiveLoad Load(std::string_view name, std::string_view file) override;
    // Writes the hive's keys back into its file and removes them, unless a test made it fail.
    [[nodiscard]] bool Unload(std::string_view name) override;
    // Counted, no wait.
    void PauseBeforeRetry() override;
    [[nodiscard]] std::vector<std::string> LoadedNames() override;
    // As ExpandEnvironmentStringsW: names ignore letter case, unknown ones stay with their '%'.
    [[nodiscard]] std::string ExpandEnvironment(std::string_view text) override;
    // A plain file at kHiveRecordPath; its folder made protected where it is missing.
    [[nodiscard]] std::optional<std::string> ReadRecord() override;
    [[nodiscard]] bool WriteRecord(std::string_view text) override;
    void RemoveRecord() override;

    // From now on the process lacks the backup and restore privileges: Load is NotAllowed and
    // Unload unloads nothing.
    void DenyPrivileges();
    // The next count calls of Unload fail and leave the hive loaded, as while another process
    // still has a key of it open.
    void FailNextUnloads(int count);
    // Sets (or replaces) one variable of the environment.
    void SetEnvironmentVariable(std::string_view name, std::string_view value);
    // How often PauseBeforeRetry was called.
    [[nodiscard]] int PauseCount() const { return m_pauses; }

private:
    SimRegistry& m_registry;
    SimFileSystem& m_files;
    std::map<std::string, std::string> m_loaded;      // upper-case name to the hive file's path
    std::map<std::string, std::string> m_environment; // upper-case name to value
    bool m_privileged = true;
    int m_failingUnloads = 0;
    int m_pauses = 0;
};

} // namespace hivetidy::sim
