#pragma once
// One simulated machine: registry, file system, registry editor, dialogs, window and system,
// handed to the program as one Platform.

#include "component/StoreComponent.h"
#include "platform/Platform.h"
#include "platform/sim/RegFile.h"
#include "platform/sim/SimDialogs.h"
#include "platform/sim/SimFileSystem.h"
#include "platform/sim/SimHives.h"
#include "platform/sim/SimProcesses.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimSystem.h"
#include "platform/sim/SimWindow.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace hivetidy::sim {

// How a profile's ProfileImagePath is stored.
enum class ProfilePathType {
    Plain,      // REG_SZ, the path itself
    Expandable, // REG_EXPAND_SZ, with %SystemDrive% and the like
};

class SimPlatform {
public:
    // A machine as Windows leaves it: C:\ with "Program Files" (PROGRA~1) and WINDOWS; the keys
    // CLSID and TypeLib of the classes, the App Paths key, and the current user's Software key; on
    // 64-bit Windows also the 32-bit view's own CLSID and App Paths keys below WOW6432Node.
    explicit SimPlatform(SimMachine machine = SimMachine::Windows64);

    SimPlatform(const SimPlatform&) = delete;
    SimPlatform& operator=(const SimPlatform&) = delete;

    // The platform for the program; it refers to the parts of this machine.
    [[nodiscard]] Platform Get();

    // The parts, for tests to set up and look at.
    [[nodiscard]] SimRegistry& registry() { return m_registry; }
    [[nodiscard]] SimFileSystem& files() { return m_files; }
    [[nodiscard]] SimProcesses& processes() { return m_processes; }
    [[nodiscard]] SimDialogs& dialogs() { return m_dialogs; }
    [[nodiscard]] SimWindow& window() { return m_window; }
    [[nodiscard]] SimSystem& system() { return m_system; }
    [[nodiscard]] StoreComponentFactory& components() { return m_components; }
    [[nodiscard]] SimHives& hives() { return m_hives; }

    // A hive file at path (made with the folders above it) holding the keys of the ".reg" lines,
    // which name keys below "HIVE" ("[HIVE\Software\Robot]"). Throws std::invalid_argument when
    // the lines are no hive.
    void WriteHiveFile(std::string_view path, std::string_view keyLines);
    // A hive file's keys and values as the system writes them back; nullopt when there is no file
    // or it is no hive.
    [[nodiscard]] std::optional<std::string> ReadHiveFile(std::string_view path) const;
    // A user's profile: its entry in the ProfileList with ProfileImagePath stored as given, and
    // its hive files where that path leads: NTUSER.DAT holding userKeys and
    // AppData\Local\Microsoft\Windows\UsrClass.dat holding classesKeys.
    void AddProfile(std::string_view sid, std::string_view profilePath, ProfilePathType type,
                    std::string_view userKeys = "", std::string_view classesKeys = "");
    // The profile's user logs on: his hives are loaded at HKEY_USERS\<sid> and <sid>_Classes and
    // their files held open. Throws std::invalid_argument when they cannot be loaded.
    void LogOn(std::string_view sid);

private:
    SimRegistry m_registry;
    SimFileSystem m_files;
    SimProcesses m_processes;
    SimDialogs m_dialogs;
    SimWindow m_window;
    SimSystem m_system;
    StoreComponentFactory m_components;
    SimHives m_hives;
    std::map<std::string, std::string> m_profiles; // by upper-case SID, the expanded profile path
};

} // namespace hivetidy::sim
