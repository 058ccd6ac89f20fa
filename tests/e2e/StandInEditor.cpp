#include "StandInEditor.h"

#include "DriverError.h"
#include "Files.h"
#include "Processes.h"
#include "RunFiles.h"
#include "Text.h"
#include "Wow64.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace hivedrive {

namespace {

void CopyOver(const std::wstring& from, const std::wstring& to)
{
    if (!::CopyFileW(from.c_str(), to.c_str(), FALSE)) {
        ThrowWin32Error(L"CopyFileW " + from + L" -> " + to, ::GetLastError());
    }
}

} // namespace

Machine NativeMachine()
{
    return IsWindows64() ? Machine::X64 : Machine::X86;
}

const char* NameOf(Machine machine)
{
    return machine == Machine::X64 ? "x86_64" : "i686";
}

std::optional<std::wstring> StandInEditor(Machine machine)
{
    const std::wstring path = DriverFolder() + L"\\fakeregedit-" + FromUtf8(NameOf(machine)) + L".exe";
    return FileExists(path) ? std::optional(path) : std::nullopt;
}

std::vector<std::wstring> StandInStarts()
{
    std::vector<std::wstring> starts;
    for (std::wstring& line : SplitLines(FromUtf8(ReadBytes(kStandInJournalPath).value_or("")))) {
        if (!line.empty()) {
            starts.push_back(std::move(line));
        }
    }
    return starts;
}

void ForgetStandInStarts()
{
    const std::wstring path(kStandInJournalPath);
    if (!::DeleteFileW(path.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
        ThrowWin32Error(L"DeleteFileW " + path, ::GetLastError());
    }
}

ScopedEnvironmentVariable::ScopedEnvironmentVariable(std::wstring name, const std::wstring& value)
    : m_name(std::move(name))
{
    if (!::SetEnvironmentVariableW(m_name.c_str(), value.c_str())) {
        ThrowWin32Error(L"SetEnvironmentVariableW " + m_name, ::GetLastError());
    }
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable()
{
    ::SetEnvironmentVariableW(m_name.c_str(), nullptr);
}

ReplacedRegistryEditor::ReplacedRegistryEditor(const std::wstring& standIn)
    : m_editor(RegistryEditorPath()), m_saved(ScratchFolder(L"system-editor") + L"\\regedit.exe")
{
    // A 32-bit driver would copy SysWOW64's editor otherwise, not the one the program starts.
    const FileSystemRedirectionOff redirectionOff;
    CopyOver(m_editor, m_saved);
    try {
        CopyOver(standIn, m_editor);
    } catch (...) {
        ::CopyFileW(m_saved.c_str(), m_editor.c_str(), FALSE);
        throw;
    }
}

ReplacedRegistryEditor::~ReplacedRegistryEditor()
{
    try {
        const FileSystemRedirectionOff redirectionOff;
        // A stand-in that is still ending keeps its file open for a moment.
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (::CopyFileW(m_saved.c_str(), m_editor.c_str(), FALSE)) {
                return;
            }
            ::Sleep(100);
        }
    } catch (...) {
    }
    ADD_FAILURE() << "the system's registry editor could not be put back from " << ToUtf8(m_saved);
}

TrueExports::TrueExports(const std::vector<std::wstring>& keys) : m_folder(L"HIVEDRIVE_EXPORTS", MadeFor(keys)) {}

std::wstring TrueExports::MadeFor(const std::vector<std::wstring>& keys)
{
    const std::wstring folder = ScratchFolder(L"true-exports");
    std::wstring index;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        WriteBytes(folder + L"\\" + std::to_wstring(i) + L".reg", RegistryEditorExport(keys[i]));
        index += keys[i] + L"\r\n";
    }
    WriteBytes(folder + L"\\index.txt", ToUtf16LeBytes(index));
    return folder;
}

} // namespace hivedrive
