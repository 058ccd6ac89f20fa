#include "app/ExitCode.h"

namespace hivetidy {

ExitCode ExitCodeOf(const RunOutcome& outcome, bool failed)
{
    if (failed) {
        // A key removed in part is in the backup and the log as well: the reader must look there.
        return outcome.Removed() > 0 ? ExitCode::FailedAfterDeletion : ExitCode::FailedBeforeDeletion;
    }
    return outcome.Complete() ? ExitCode::Done : ExitCode::Partial;
}

} // namespace hivetidy
