// A program that stands in for the registry editor where the end-to-end tests put it: planted by a
// user as regedit.exe in a folder the program works in, or in the place of the system's own.
//
// Every start is recorded: its command line is added as a line to C:\hivetidy-falle.txt, so a
// test can tell that it ran and for which key. Given "/e FILE KEY" it then writes FILE as an
// export of KEY that is cut short, as an editor that crashed or a full disk leaves it, and exits
// 0 like one that succeeded. It takes the real editor's export of KEY from the folder that
// HIVEDRIVE_EXPORTS names (made by the driver before the editor was replaced: index.txt lists
// the keys, one a line, UTF-16LE; the export of the n-th one, counted from 0, is n.reg) and
// keeps of it what HIVEDRIVE_CUT says:
//   section (the default)  the header and the key's section line, nothing after them;
//   values                 everything up to half of the export's values, the section then
//                          closed by its empty line as the editor closes every section;
//   sections               every section but the last, each whole;
//   none                   nothing at all: no file is written, as by an editor that policy
//                          forbids to run, and the exit code tells nothing of it either.
// So of the first three only the last is cut short where any reader of the format sees it; the
// other two are well-formed and lack only keys or values.
// A key the folder has no export of gets the header alone.
//
// It is built on its own, for both machines, from this one file: no project headers, no C++
// library beyond the standard one.

#include "ToolFiles.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using hivedrive::tools::ReadFileBytes;

constexpr wchar_t kJournalPath[] = L"C:\\hivetidy-falle.txt";


void WriteFileBytes(const std::wstring& path, const std::string& bytes, DWORD disposition)
{
    const HANDLE file = ::CreateFileW(path.c_str(), disposition == OPEN_ALWAYS ? FILE_APPEND_DATA : GENERIC_WRITE,
                                      FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::string Utf8(const std::wstring& text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                          nullptr);
    return bytes;
}

std::wstring EnvironmentText(const wchar_t* name)
{
    wchar_t value[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

// The lines of UTF-16LE text, split at CR LF, a byte-order mark at its start left out.
std::vector<std::wstring> Utf16Lines(const std::string& bytes)
{
    std::wstring text(bytes.size() / 2, L'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    if (!text.empty() && text.front() == 0xFEFF) {
        text.erase(0, 1);
    }
    std::vector<std::wstring> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find(L"\r\n", start);
        lines.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        start = end == std::wstring::npos ? text.size() : end + 2;
    }
    return lines;
}

std::string Utf16LeBytes(const std::vector<std::wstring>& lines)
{
    std::string bytes = "\xFF\xFE";
    for (const std::wstring& line : lines) {
        for (const wchar_t unit : line + L"\r\n") {
            bytes += static_cast<char>(unit & 0xFF);
            bytes += static_cast<char>(unit >> 8);
        }
    }
    return bytes;
}

// The real editor's export of the key, as lines; empty when the folder has none.
std::vector<std::wstring> TrueExport(const std::wstring& folder, const std::wstring& key)
{
    const std::vector<std::wstring> keys = Utf16Lines(ReadFileBytes(folder + L"\\index.txt"));
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (::CompareStringOrdinal(keys[i].c_str(), -1, key.c_str(), -1, TRUE) == CSTR_EQUAL) {
            return Utf16Lines(ReadFileBytes(folder + L"\\" + std::to_wstring(i) + L".reg"));
        }
    }
    return {};
}

bool IsValueLine(const std::wstring& line)
{
    // A long value goes on in lines that begin with two blanks; those are no value of their own.
    return !line.empty() && line.front() != L'[' && line.front() != L' ';
}

// What is kept of an export: its first three lines (header, blank, the key's section), the lines
// before the first value past half of them and an empty line, or the lines before the last section.
std::vector<std::wstring> CutShort(const std::vector<std::wstring>& lines, const std::wstring& how)
{
    std::vector<std::wstring> kept;
    if (how == L"sections") {
        std::size_t last = lines.size();
        for (std::size_t i = 0; i < lines.size(); ++i) {
            last = !lines[i].empty() && lines[i].front() == L'[' ? i : last;
        }
        kept.assign(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min(last, lines.size())));
        return kept;
    }
    if (how == L"values") {
        std::size_t values = 0;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            values += IsValueLine(lines[i]) ? 1 : 0;
        }
        std::size_t written = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i > 0 && IsValueLine(lines[i]) && written++ == values / 2) {
                kept.emplace_back();
                break;
            }
            kept.push_back(lines[i]);
        }
        return kept;
    }
    kept.assign(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(lines.size(), 3)));
    return kept;
}

} // namespace

int wmain()
{
    const std::wstring commandLine = ::GetCommandLineW();
    WriteFileBytes(kJournalPath, Utf8(commandLine) + "\r\n", OPEN_ALWAYS);

    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(commandLine.c_str(), &count);
    if (arguments && count == 4 && ::lstrcmpiW(arguments[1], L"/e") == 0) {
        const std::wstring file = arguments[2];
        const std::wstring key = arguments[3];
        std::vector<std::wstring> lines = TrueExport(EnvironmentText(L"HIVEDRIVE_EXPORTS"), key);
        if (lines.empty()) {
            lines.push_back(L"Windows Registry Editor Version 5.00");
        }
        const std::wstring how = EnvironmentText(L"HIVEDRIVE_CUT");
        if (how == L"none") {
            ::LocalFree(arguments);
            return 0;
        }
        WriteFileBytes(file, Utf16LeBytes(CutShort(lines, how.empty() ? L"section" : how)), CREATE_ALWAYS);
    }
    ::LocalFree(arguments);
    return 0;
}
