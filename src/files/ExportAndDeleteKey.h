#pragma once
// The removal of one key: the one place a key is deleted. It is exported into the backup, checked
// against the live key, deleted and logged, always as the key it really is, and only once its export
// is in the backup and on the disk.

#include "component/RegistryComponent.h"
#include "files/KeyOutcome.h"
#include "files/RealKey.h"
#include "files/RunFiles.h"
#include "platform/Processes.h"
#include "shared/RegLocation.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace hivetidy {

// What the removal of a key needs of the run that takes it up.
class KeyRemovalRun {
public:
    virtual ~KeyRemovalRun() = default;

    // The run's component object, created on first use. Throws Failure when it cannot be.
    virtual RegistryComponent& Registry() = 0;
    // The backup or the log could not be written: no key is deleted after.
    [[nodiscard]] virtual bool FilesWereBroken() const = 0;
    virtual void FilesBroken() = 0;
    // Between these two nobody may end the program: a key is exported and about to be deleted.
    virtual void ExportBegins() = 0;
    virtual void ExportEnds() = 0;
};

// Blocks until the process has ended; its exit code, 0 when there is no process or no code.
std::uint32_t WaitOnProgram(StartedProcess* process);

class KeyRemoval {
public:
    KeyRemoval(KeyRemovalRun& run, RunFiles& files, RealKey& realKey, Processes& processes);

    // Exports the key, of either view, into the backup file, deletes it and logs it as the key it
    // really is; what became of it. A preview only names what a run would remove.
    [[nodiscard]] KeyOutcome ExportAndDeleteKey(const RegLocation& location, bool preview);

private:
    KeyRemovalRun& m_run;
    RunFiles& m_files;
    RealKey& m_realKey;
    Processes& m_processes;
    // The system's own names (upper case) of the keys a preview found it would delete: a run would
    // not meet them again.
    std::set<std::string> m_keysPreviewed;
};

} // namespace hivetidy
