#pragma once
// The program's exit codes, the same for every way it is started; the usage text and the README
// list them.

#include "files/RunOutcome.h"

namespace hivetidy {

enum class ExitCode : int {
    // Every selected key removed, or nothing to remove; for /list and /undo: done.
    Done = 0,
    // Keys stayed or went only in part.
    Partial = 1,
    // The run could not go on, and nothing was deleted.
    FailedBeforeDeletion = 2,
    // The run could not go on after keys were deleted; the backup and the log name them.
    FailedAfterDeletion = 3,
    // Another run is in progress on this machine.
    AnotherRunInProgress = 4,
    // The command line could not be understood; nothing was done.
    BadCommandLine = 5,
};

[[nodiscard]] constexpr int ToInt(ExitCode code)
{
    return static_cast<int>(code);
}

// The exit code of a cleaning run from how it ended; failed tells a run that could not go on.
[[nodiscard]] ExitCode ExitCodeOf(const RunOutcome& outcome, bool failed);

} // namespace hivetidy
