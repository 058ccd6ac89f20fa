#include "passes/RunEnding.h"

namespace hivetidy {

RunEnding EndingOf(CleaningRun& run, bool failed)
{
    const RunOutcome& outcome = run.Outcome();
    RunEnding ending;
    ending.failed = failed;
    ending.complete = !failed && outcome.Complete();
    const bool removed = outcome.Removed() > 0;
    // Undo imports this run's backup and nothing else, and only where the run removed something or
    // did all it set out to (after a run that found nothing, the editor still imports the header).
    ending.undoOffered = run.Files().BackupHeld() && (ending.complete || removed);
    ending.undoLost = run.Files().UndoLost();
    if (ending.undoLost && removed) {
        ending.hint = RunEnding::Hint::NoUndo;
    } else if (ending.complete) {
        ending.hint = RunEnding::Hint::Undo;
    } else if (failed) {
        ending.hint = removed && run.Files().BackupHeld() ? RunEnding::Hint::Failed : RunEnding::Hint::NothingDeleted;
    } else {
        ending.hint = removed ? RunEnding::Hint::Partial : RunEnding::Hint::NothingRemoved;
    }
    ending.countLines = outcome.CountLines();
    ending.filesBroken = outcome.FilesWereBroken();
    ending.logNamesStays = outcome.Stayed() > 0 || !outcome.UnreadableTrees().empty();
    if (run.Files().BackupCreated()) {
        ending.backupPath = run.Files().BackupFilePath();
    }
    return ending;
}

} // namespace hivetidy
