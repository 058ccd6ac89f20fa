// A second process that tries, over and over, to put a file of its own in the place of a run's
// backup, so that Undo would import it as administrator:
//
//   backupreplacer.exe BACKUP FOLDER STOP-EVENT
//
// FOLDER holds replacement.reg, the file it puts in the backup's place; it stages its copies
// there too and writes report.txt into it when it ends. Each round, while a file of the backup's
// name exists, it tries all three ways a process of the same user has:
//   delete  deletes the backup and creates the name anew with its own file;
//   move    moves a staged copy of its own file over the backup (MoveFileEx, replacing);
//   write   opens the backup for writing and overwrites it with its own file, cut to its length.
// Before the backup exists it does nothing, so it never takes the name before the run does. It
// ends when the named event is set, and on its own after kMaxRounds rounds or kMaxDuration, so
// that it never outlives a test that could not stop it. The report counts the rounds, those in
// which the backup was there, and each way's successes, one "name=count" a line, and says what
// ended it.
//
// It is built on its own from this one file: no project headers, no C++ library beyond the
// standard one.

#include "ToolFiles.h"

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace {

using hivedrive::tools::ReadFileBytes;

constexpr unsigned long kMaxRounds = 200000;
constexpr ULONGLONG kMaxDurationMs = 10 * 60 * 1000;
// Between rounds: often enough to meet a moment in which the backup is not held, rarely enough
// to leave the two cores to the run.
constexpr DWORD kPauseMs = 2;

// Writes the whole content through an open handle and cuts the file there.
bool WriteAll(HANDLE file, const std::string& bytes)
{
    DWORD written = 0;
    return ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && ::SetEndOfFile(file);
}

bool CreateWith(const std::wstring& path, const std::string& bytes, DWORD disposition)
{
    const HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool written = WriteAll(file, bytes);
    ::CloseHandle(file);
    return written;
}

bool ReplaceByDelete(const std::wstring& backup, const std::string& own)
{
    // CREATE_NEW: only where the delete freed the name, not through whatever took it meanwhile.
    return ::DeleteFileW(backup.c_str()) && CreateWith(backup, own, CREATE_NEW);
}

bool ReplaceByMove(const std::wstring& backup, const std::wstring& staged, const std::string& own)
{
    return CreateWith(staged, own, CREATE_ALWAYS) &&
           ::MoveFileExW(staged.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool ReplaceByWriting(const std::wstring& backup, const std::string& own)
{
    // Sharing everything, so that only the holder's own sharing can refuse it.
    const HANDLE file = ::CreateFileW(backup.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool written = WriteAll(file, own);
    ::CloseHandle(file);
    return written;
}

} // namespace

int wmain()
{
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!arguments || count != 4) {
        return 2;
    }
    const std::wstring backup = arguments[1];
    const std::wstring folder = arguments[2];
    const HANDLE stop = ::OpenEventW(SYNCHRONIZE, FALSE, arguments[3]);
    ::LocalFree(arguments);
    const std::string own = ReadFileBytes(folder + L"\\replacement.reg");
    if (!stop || own.empty()) {
        return 2;
    }
    const std::wstring staged = folder + L"\\staged.reg";

    unsigned long rounds = 0;
    unsigned long present = 0;
    unsigned long deleted = 0;
    unsigned long moved = 0;
    unsigned long written = 0;
    const char* endedBy = "rounds";
    const ULONGLONG start = ::GetTickCount64();
    for (; rounds < kMaxRounds; ++rounds) {
        if (::WaitForSingleObject(stop, kPauseMs) == WAIT_OBJECT_0) {
            endedBy = "event";
            break;
        }
        if (::GetTickCount64() - start > kMaxDurationMs) {
            endedBy = "time";
            break;
        }
        if (::GetFileAttributesW(backup.c_str()) == INVALID_FILE_ATTRIBUTES) {
            continue;
        }
        ++present;
        deleted += ReplaceByDelete(backup, own) ? 1 : 0;
        moved += ReplaceByMove(backup, staged, own) ? 1 : 0;
        written += ReplaceByWriting(backup, own) ? 1 : 0;
    }
    ::CloseHandle(stop);

    const std::string report = "rounds=" + std::to_string(rounds) + "\r\npresent=" + std::to_string(present) +
                               "\r\ndelete=" + std::to_string(deleted) + "\r\nmove=" + std::to_string(moved) +
                               "\r\nwrite=" + std::to_string(written) + "\r\nended=" + endedBy + "\r\n";
    return CreateWith(folder + L"\\report.txt", report, CREATE_ALWAYS) ? 0 : 1;
}
