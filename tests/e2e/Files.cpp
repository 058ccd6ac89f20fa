#include "Files.h"

#include "DriverError.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <vector>

namespace hivedrive {

bool FileExists(std::wstring_view path)
{
    const DWORD attributes = ::GetFileAttributesW(std::wstring(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> ReadBytes(std::wstring_view path)
{
    // CreateFileW fails with INVALID_HANDLE_VALUE, not null, so the result is checked before it is owned.
    HANDLE raw = ::CreateFileW(std::wstring(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    const UniqueHandle file(raw);
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    return bytes;
}

void WriteBytes(std::wstring_view path, std::string_view bytes)
{
    const std::wstring name(path);
    HANDLE raw = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw == INVALID_HANDLE_VALUE) {
        ThrowWin32Error(L"CreateFileW " + name, ::GetLastError());
    }
    const UniqueHandle file(raw);
    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        ThrowWin32Error(L"WriteFile " + name, ::GetLastError());
    }
}

void CreateFolders(std::wstring_view path)
{
    for (std::size_t slash = path.find(L'\\', 3);; slash = path.find(L'\\', slash + 1)) {
        const std::wstring folder(path.substr(0, slash));
        if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            ThrowWin32Error(L"CreateDirectoryW " + folder, ::GetLastError());
        }
        if (slash == std::wstring_view::npos) {
            return;
        }
    }
}

void DeleteFolderTree(std::wstring_view path)
{
    const std::wstring folder(path);
    WIN32_FIND_DATAW entry;
    UniqueFindHandle search(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
    for (bool more = static_cast<bool>(search); more; more = ::FindNextFileW(search.get(), &entry)) {
        const std::wstring_view name = entry.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        const std::wstring child = folder + L"\\" + std::wstring(name);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            DeleteFolderTree(child);
        } else {
            ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(child.c_str());
        }
    }
    search.reset();
    ::RemoveDirectoryW(folder.c_str());
}

std::wstring FolderListing(std::wstring_view path)
{
    std::wstring listing;
    WIN32_FIND_DATAW entry;
    UniqueFindHandle search(::FindFirstFileW((std::wstring(path) + L"\\*").c_str(), &entry));
    for (bool more = static_cast<bool>(search); more; more = ::FindNextFileW(search.get(), &entry)) {
        const std::wstring_view name = entry.cFileName;
        if (name != L"." && name != L"..") {
            listing += L"\n  " + std::wstring(name) + L" (" + std::to_wstring(entry.nFileSizeLow) + L" bytes)";
        }
    }
    return listing.empty() ? L" (nothing)" : listing;
}

std::wstring ScratchFolder(std::wstring_view name)
{
    wchar_t temp[MAX_PATH];
    // GetTempPathW's answer ends in a backslash.
    const DWORD length = ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp, length) + L"hivedrive\\" + std::wstring(name);
    DeleteFolderTree(folder);
    CreateFolders(folder);
    return folder;
}

} // namespace hivedrive
