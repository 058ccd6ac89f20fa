#pragma once
// What the small stand-in tools of the end-to-end suite share: reading a whole file.

#include <windows.h>

#include <string>

namespace hivedrive::tools {

// The file's bytes, read sharing reading only; empty when it cannot be opened.
inline std::string ReadFileBytes(const std::wstring& path)
{
    std::string bytes;
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    ::CloseHandle(file);
    return bytes;
}

} // namespace hivedrive::tools
