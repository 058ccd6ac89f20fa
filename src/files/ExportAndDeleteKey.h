#pragma once
// The removal of one key: the one place a key is deleted. It is exported into the backup, checked
// against the live key, deleted and logged, always as the key it really is, and only once its export
// is in the backup and on the disk.

#include "component/RegistryComponent.h"
#include "files/KeyOutcome.h"
#include "files/RealKey.h"
#include "files/RunComponent.h"
#include "files/RunFiles.h"
#include "files/RunOutcome.h"
#include "platform/Processes.h"
#include "shared/RegLocation.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace hivetidy {

// Whoever must know when a key is exported and about to be deleted: between these two nobody may
// end the program.
class ExportWatch {
public:
    virtual ~ExportWatch() = default;

    virtual void ExportBegins() = 0;
    virtual void ExportEnds() = 0;
};

// Blocks until the process has ended; its exit code, 0 when there is no process or no code.
std::uint32_t WaitOnProgram(StartedProcess* process);

class KeyRemoval {
public:
    // The outcome says whether the backup or the log could still be written, and learns when they
    // cannot: no key is deleted after.
    KeyRemoval(RunComponent& registry, RunOutcome& outcome, ExportWatch& watch, RunFiles& files, RealKey& realKey,
               Processes& processes);

    // Exports the key, of either view, into the backup file, deletes it and logs it as the key it
    // really is; what became of it. A preview only names what a run would remove.
    [[nodiscard]] KeyOutcome ExportAndDeleteKey(const RegLocation& location, bool preview);
    // The same for root\keyPrefix+keyName of the native view, the root given by its name.
    KeyOutcome ExportAndDeleteKey(std::string_view hiveName, std::string_view keyPrefix, std::string_view keyName);

private:
    RunComponent& m_registry;
    RunOutcome& m_outcome;
    ExportWatch& m_watch;
    RunFiles& m_files;
    RealKey& m_realKey;
    Processes& m_processes;
    // The system's own names (upper case) of the keys a preview found it would delete: a run would
    // not meet them again.
    std::set<std::string> m_keysPreviewed;
};

} // namespace hivetidy
