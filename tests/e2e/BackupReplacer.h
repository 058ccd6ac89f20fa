#pragma once
// The driver's side of tools/BackupReplacer.cpp, built beside the driver: a second process that
// keeps trying to put a file of its own in the place of a run's backup while it lives.

#include "UniqueHandle.h"

#include <map>
#include <string>
#include <string_view>

namespace hivedrive {

// What the tool did: its rounds, those in which the backup was there, how often each way of
// putting its file in the backup's place worked ("delete", "move", "write"), and what ended it.
struct ReplacerReport {
    std::map<std::string, unsigned long> counts;
    std::string endedBy; // "event": stopped by the test; "rounds", "time": its own bounds
    std::string text;    // the whole report, for a failure message

    [[nodiscard]] unsigned long Count(const std::string& name) const;
};

class BackupReplacer {
public:
    // Starts the tool against the backup's path with the file it puts in its place; throws when it
    // cannot be started.
    BackupReplacer(std::wstring_view backupPath, std::string_view replacement);
    // A tool still running is stopped, and its folder deleted.
    ~BackupReplacer();

    BackupReplacer(const BackupReplacer&) = delete;
    BackupReplacer& operator=(const BackupReplacer&) = delete;

    // Tells the tool to stop, waits for its end and reads its report; throws when it does not end
    // in time or leaves no report.
    [[nodiscard]] ReplacerReport Stop();

private:
    std::wstring m_folder;
    UniqueHandle m_stop;
    OwnedProcess m_process;
};

} // namespace hivedrive
