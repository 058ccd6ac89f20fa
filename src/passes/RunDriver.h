#pragma once
// Whoever drives a cleaning run: the window or the command line. The run asks it for what only
// a person or a switch can tell, and tells it how the run goes; it never learns which it is.

#include "files/ExportAndDeleteKey.h"
#include "files/KeyOutcome.h"

#include <string>

namespace hivetidy {

// It is told, as ExportWatch, when the registry editor exports one key: nothing may end the program
// between the export and the delete.
class RunDriver : public ExportWatch {
public:
    virtual ~RunDriver() = default;

    // Names the backup file: its folder made the current directory, the file's name in it
    // returned. Throws Failure where there is none to take: the run then ends before it deletes.
    [[nodiscard]] virtual std::string ChooseBackupFile() = 0;
    // Lets the driver's world go on between the steps of a long walk.
    virtual void Yield() = 0;
    // The maker's own keys go too.
    [[nodiscard]] virtual bool MakerKeysSelected() = 0;
    // The backup file is chosen; the run's files are written next.
    virtual void RunStarted() = 0;
    // One key the run took up: removed (whole or in part) or stayed, with its name as the log has it.
    virtual void KeyDone(const KeyOutcome& key) = 0;
    // The run's files are closed; failed tells a run that could not go on.
    virtual void RunEnded(bool failed) = 0;
};

} // namespace hivetidy
