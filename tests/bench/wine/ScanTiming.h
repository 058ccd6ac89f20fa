#pragma once
// One whole scan of hivetidy.exe, timed from outside as a user sees it: from the moment the save
// dialog for the backup is gone (its window destroyed) to the moment the window shows the finished
// run (Command2 reads "E&xit"), with the program's peak working set at that moment.

#include <chrono>
#include <cstdint>
#include <string>

namespace hivebench {

// How often the window is looked at while the run goes on: the resolution of the timing. Each look
// is one request to the Wine server, which the program's own registry requests queue behind, so
// not much more often than that.
inline constexpr std::chrono::milliseconds kScanPollInterval{2};

struct ScanResult {
    double milliseconds = 0;
    std::uint64_t peakWorkingSet = 0; // bytes
    std::uint64_t peakPrivate = 0;    // bytes, PeakPagefileUsage
};

// Starts the program, clicks Start, names the backup file in the save dialog and waits for the
// finished run; then checks that the run reported no failure and removed nothing (its removal log
// names no key), clicks Exit and waits for the program's end. The removal log and the backup file are deleted before
// the run, and the backup file after it. Throws, saying what went wrong, on anything else.
[[nodiscard]] ScanResult TimeScan(const std::wstring& program, const std::wstring& backupPath);

} // namespace hivebench
