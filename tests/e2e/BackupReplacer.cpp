#include "BackupReplacer.h"

#include "DriverError.h"
#include "Files.h"
#include "Polling.h"
#include "Processes.h"
#include "Text.h"

#include <windows.h>

namespace hivedrive {

namespace {

// Named for this driver alone, so that a tool left by another one never hears it.
std::wstring StopEventName()
{
    return L"hivedrive-replacer-stop-" + std::to_wstring(::GetCurrentProcessId());
}

} // namespace

unsigned long ReplacerReport::Count(const std::string& name) const
{
    const auto found = counts.find(name);
    return found != counts.end() ? found->second : 0;
}

BackupReplacer::BackupReplacer(std::wstring_view backupPath, std::string_view replacement)
    : m_folder(ScratchFolder(L"replacer"))
{
    const std::wstring eventName = StopEventName();
    m_stop.reset(::CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
    if (!m_stop) {
        ThrowWin32Error(L"CreateEventW " + eventName, ::GetLastError());
    }
    WriteBytes(m_folder + L"\\replacement.reg", replacement);
    m_process = StartProcess(L"\"" + DriverFolder() + L"\\backupreplacer.exe\" \"" + std::wstring(backupPath) +
                             L"\" \"" + m_folder + L"\" " + eventName);
}

BackupReplacer::~BackupReplacer()
{
    if (m_process && !WaitForEnd(m_process, std::chrono::milliseconds(0))) {
        ::SetEvent(m_stop.get());
        if (!WaitForEnd(m_process, kEndTimeout)) {
            ::TerminateProcess(m_process.Process(), 1);
            ::WaitForSingleObject(m_process.Process(), 5000);
        }
    }
    DeleteFolderTree(m_folder);
}

ReplacerReport BackupReplacer::Stop()
{
    ::SetEvent(m_stop.get());
    if (!WaitForEnd(m_process, kEndTimeout)) {
        throw DriverError("the backup replacer did not stop");
    }
    ReplacerReport report;
    const std::optional<std::string> text = ReadBytes(m_folder + L"\\report.txt");
    if (!text) {
        throw DriverError("the backup replacer left no report");
    }
    report.text = *text;
    for (const std::wstring& line : SplitLines(FromUtf8(*text))) {
        const std::size_t equals = line.find(L'=');
        if (equals == std::wstring::npos) {
            continue;
        }
        const std::string name = ToUtf8(line.substr(0, equals));
        const std::wstring value = line.substr(equals + 1);
        if (name == "ended") {
            report.endedBy = ToUtf8(value);
        } else {
            report.counts[name] = std::wcstoul(value.c_str(), nullptr, 10);
        }
    }
    return report;
}

} // namespace hivedrive
