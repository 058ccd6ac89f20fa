#pragma once
// One simulated machine: registry, file system, registry editor, dialogs, window and system,
// handed to the program as one Platform.

#include "component/StoreComponent.h"
#include "platform/Platform.h"
#include "platform/sim/RegFile.h"
#include "platform/sim/SimDialogs.h"
#include "platform/sim/SimFileSystem.h"
#include "platform/sim/SimProcesses.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimSystem.h"
#include "platform/sim/SimWindow.h"

namespace hivetidy::sim {

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

private:
    SimRegistry m_registry;
    SimFileSystem m_files;
    SimProcesses m_processes;
    SimDialogs m_dialogs;
    SimWindow m_window;
    SimSystem m_system;
    StoreComponentFactory m_components;
};

} // namespace hivetidy::sim
