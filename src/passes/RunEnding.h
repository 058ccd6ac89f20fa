#pragma once
// How a run ended, as one plain value that each driver renders: the window copies it into its
// controls and its closing message, the command line prints it. It is computed from the outcome
// and the run's files alone, so no ending can say more in one place than in the other.

#include "passes/CleaningRun.h"

#include <string>
#include <vector>

namespace hivetidy {

struct RunEnding {
    // What the window's last text says (each driver words it itself).
    enum class Hint {
        Undo,           // every key removed, or nothing to remove: Undo puts them back
        NoUndo,         // keys removed, but the backup was not held: no Undo
        Failed,         // the run could not go on after it deleted keys
        NothingDeleted, // the run could not go on, and nothing was deleted
        Partial,        // keys removed, others stayed
        NothingRemoved, // nothing removed, keys stayed
    };

    bool failed = false;   // the run could not go on
    bool complete = false; // it did not fail, and every key it set out to remove went
    Hint hint = Hint::NothingRemoved;
    bool undoOffered = false;
    bool undoLost = false; // the run made a backup that someone else had open as it closed
    // The counts: "Gel\u00f6scht: …", "Geblieben: …", and "Nicht lesbar: <tree>" for each tree.
    std::vector<std::string> countLines;
    bool filesBroken = false;     // the backup or the log stopped taking writes
    bool logNamesStays = false;   // the log ends with the keys and trees that stayed
    std::string backupPath;       // where the run made its backup; empty when it made none
};

// The ending of a run that has ended; failed tells a run that could not go on.
[[nodiscard]] RunEnding EndingOf(CleaningRun& run, bool failed);

} // namespace hivetidy
