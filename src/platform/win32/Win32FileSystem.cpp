#include "platform/win32/Win32FileSystem.h"

#include "platform/win32/UniqueResource.h"
#include "platform/win32/WideText.h"

#include <sddl.h>

#include <algorithm>
#include <array>
#include <cwctype>
#include <utility>
#include <vector>

namespace hivetidy::win32 {

namespace {

// Everything from the file position to the end of the file.
[[nodiscard]] std::optional<std::string> ReadToEnd(HANDLE file)
{
    std::string content;
    std::array<char, 64 * 1024> chunk{};
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr)) {
            return std::nullopt;
        }
        if (read == 0) {
            return content;
        }
        content.append(chunk.data(), read);
    }
}

class Win32HeldFile final : public HeldFile {
public:
    explicit Win32HeldFile(UniqueFile file) : m_file(std::move(file)) {}

    [[nodiscard]] std::optional<std::string> Contents() override
    {
        LARGE_INTEGER start{};
        if (!SetFilePointerEx(m_file.get(), start, nullptr, FILE_BEGIN)) {
            return std::nullopt;
        }
        return ReadToEnd(m_file.get());
    }

private:
    UniqueFile m_file;
};

class Win32WritableFile final : public WritableFile {
public:
    explicit Win32WritableFile(UniqueFile file) : m_file(std::move(file)) {}

    [[nodiscard]] bool Write(std::string_view bytes) override
    {
        if (!m_file) {
            return false;
        }
        while (!bytes.empty()) {
            DWORD written = 0;
            const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kMaxChunk));
            if (!WriteFile(m_file.get(), bytes.data(), chunk, &written, nullptr) || written == 0) {
                return false;
            }
            bytes.remove_prefix(written);
        }
        return true;
    }

    [[nodiscard]] bool Flush() override
    {
        // WriteFile leaves the bytes in the system's cache; FlushFileBuffers puts them on the disk,
        // so that a power loss does not take the backup with it.
        return m_file && FlushFileBuffers(m_file.get());
    }

    [[nodiscard]] bool Close() override
    {
        if (!m_file) {
            return false;
        }
        const bool flushed = Flush();
        // Taken out of its owner, because here the result of CloseHandle counts.
        return CloseHandle(m_file.release()) && flushed;
    }

    [[nodiscard]] std::unique_ptr<HeldFile> CloseIntoHold() override
    {
        if (!m_file || !Flush()) {
            return nullptr;
        }
        // Reopened through the handle, not the name: whatever someone did to the name, this is the
        // file that was written. The first reader must still share writing with this writer; it
        // shares no deletion, so from here on the file cannot be renamed, replaced or deleted.
        UniqueFile reader(ReOpenFile(m_file.get(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0));
        const bool closed = CloseHandle(m_file.release()) != FALSE;
        if (!reader || !closed) {
            return nullptr;
        }
        // Sharing reading alone, this opens only where nobody else has the file open for writing,
        // and while it is open nobody can. A reader that shares no writing could not be opened
        // beside a writer of ours, which is why the writer is let go in between; what anyone
        // wrote meanwhile shows in the content, which the caller checks through this handle.
        UniqueFile held(ReOpenFile(reader.get(), GENERIC_READ, FILE_SHARE_READ, 0));
        if (!held) {
            return nullptr;
        }
        return std::make_unique<Win32HeldFile>(std::move(held));
    }

private:
    static constexpr std::size_t kMaxChunk = 1u << 20;

    UniqueFile m_file;
};

// Opens an existing file for reading, sharing reading only: as long as the handle is open nobody
// can write to the file, empty, rename or delete it. The file must be a plain file with one name.
// FILE_FLAG_OPEN_REPARSE_POINT opens a symbolic link itself, so that its attributes give it away
// instead of its target being read; a second name (a hard link) shows in the link count, and a
// file with two names could be changed through the other one by whoever made it.
[[nodiscard]] UniqueFile OpenPlainFileForReading(std::string_view path)
{
    UniqueFile file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        return {};
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        info.nNumberOfLinks > 1) {
        return {};
    }
    return file;
}

// The length of the root of a full path ("C:\", "\\server\share\"); 0 for the device and
// "\\?\" forms, which are not walked.
[[nodiscard]] std::size_t RootLength(const std::wstring& fullPath)
{
    if (fullPath.size() >= 3 && fullPath[1] == L':' && fullPath[2] == L'\\') {
        return 3;
    }
    if (!fullPath.starts_with(L"\\\\") || fullPath.starts_with(L"\\\\?\\") || fullPath.starts_with(L"\\\\.\\")) {
        return 0;
    }
    const std::size_t server = fullPath.find(L'\\', 2);
    if (server == std::wstring::npos || server == 2) {
        return 0;
    }
    const std::size_t share = fullPath.find(L'\\', server + 1);
    if (share == server + 1) {
        return 0;
    }
    return share == std::wstring::npos ? fullPath.size() : share + 1;
}

// Calls a "fill this buffer" function that reports the length it needs when the buffer is too small.
template <class Fill>
[[nodiscard]] std::optional<std::wstring> CallWithGrowingBuffer(Fill&& fill)
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return std::nullopt;
        }
        if (length < buffer.size()) {
            return std::wstring(buffer.data(), length);
        }
        // Too small: the length asked for counts the terminating NUL.
        buffer.resize(length);
    }
}

} // namespace

std::string Win32FileSystem::CurrentDirectory()
{
    const auto directory = CallWithGrowingBuffer([](wchar_t* buffer, DWORD size) { return GetCurrentDirectoryW(size, buffer); });
    return directory ? Narrow(*directory) : std::string();
}

bool Win32FileSystem::SetCurrentDirectory(std::string_view path)
{
    return SetCurrentDirectoryW(Widen(path).c_str()) != FALSE;
}

bool Win32FileSystem::CreateDirectory(std::string_view path)
{
    return CreateDirectoryW(Widen(path).c_str(), nullptr) != FALSE;
}

bool Win32FileSystem::CreateProtectedDirectory(std::string_view path)
{
    UniqueLocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kProtectedFolderSddl, SDDL_REVISION_1,
                                                              reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()),
                                                              nullptr)) {
        return false;
    }
    // CreateDirectoryW fails on an existing name, so a folder someone else made keeps nobody's
    // access list but its maker's, and the caller learns that it is not new.
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
    return CreateDirectoryW(Widen(path).c_str(), &attributes) != FALSE;
}

bool Win32FileSystem::IsRealFolder(std::string_view path)
{
    const std::wstring widePath = Widen(path);
    auto full = CallWithGrowingBuffer(
        [&](wchar_t* buffer, DWORD size) { return GetFullPathNameW(widePath.c_str(), size, buffer, nullptr); });
    if (!full) {
        return false;
    }
    const std::size_t root = RootLength(*full);
    if (root == 0) {
        return false;
    }
    while (full->size() > root && full->back() == L'\\') {
        full->pop_back();
    }
    // Every folder from the root down, the last one included: a junction anywhere on the way
    // leads all that follows somewhere else.
    for (std::size_t end = root;; ++end) {
        end = std::min(full->find(L'\\', end), full->size());
        const DWORD attributes = GetFileAttributesW(full->substr(0, end).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return false;
        }
        if (end == full->size()) {
            return true;
        }
    }
}

std::string Win32FileSystem::FindFirst(std::string_view fullName)
{
    WIN32_FIND_DATAW found{};
    const UniqueFindHandle search(FindFirstFileW(Widen(fullName).c_str(), &found));
    if (!search) {
        return {};
    }
    return Narrow(found.cFileName);
}

std::optional<std::string> Win32FileSystem::ShortPathOf(std::string_view path)
{
    const std::wstring widePath = Widen(path);
    const auto shortPath = CallWithGrowingBuffer(
        [&](wchar_t* buffer, DWORD size) { return GetShortPathNameW(widePath.c_str(), buffer, size); });
    if (!shortPath) {
        return std::nullopt;
    }
    return Narrow(*shortPath);
}

std::optional<std::string> Win32FileSystem::FullPathOf(std::string_view path)
{
    if (path.empty()) {
        return std::nullopt;
    }
    // GetFullPathNameW resolves exactly as opening the file would: the current directory, a
    // drive's own current folder for "C:x", '/', "." and "..", and the last name's trailing dots
    // and blanks; it looks at nothing on the disk.
    const std::wstring widePath = Widen(path);
    auto full = CallWithGrowingBuffer(
        [&](wchar_t* buffer, DWORD size) { return GetFullPathNameW(widePath.c_str(), size, buffer, nullptr); });
    if (!full) {
        return std::nullopt;
    }
    // The root that stays as it is: a drive's ("C:\\"), or a share's ("\\\\server\\share\\"), where
    // a backup may be kept as well. A device ("\\\\.\\COM1", "\\\\?\\...") names no file.
    std::size_t start = 0;
    if (full->size() >= 3 && (*full)[1] == L':' && (*full)[2] == L'\\' && iswalpha((*full)[0])) {
        (*full)[0] = static_cast<wchar_t>(towupper((*full)[0]));
        start = 3;
    } else if (full->starts_with(L"\\\\") && !full->starts_with(L"\\\\.\\") && !full->starts_with(L"\\\\?\\")) {
        const std::size_t server = full->find(L'\\', 2);
        const std::size_t share = server == std::wstring::npos ? server : full->find(L'\\', server + 1);
        if (server == 2 || share == std::wstring::npos || share == server + 1) {
            return std::nullopt; // no share named, or no file on it
        }
        start = share + 1;
    } else {
        return std::nullopt;
    }
    // Each existing component by the name FindFirstFileW reports, the long one in the case it has
    // on the disk (GetLongPathNameW would keep the case it was given). A wildcard would match some
    // other name, so a component with one is taken as missing; so is all that follows one missing.
    std::wstring spelled = full->substr(0, start);
    bool exists = true;
    while (start < full->size()) {
        const std::size_t end = std::min(full->find(L'\\', start), full->size());
        std::wstring part = full->substr(start, end - start);
        if (exists && !part.empty() && part.find_first_of(L"*?") == std::wstring::npos) {
            WIN32_FIND_DATAW found{};
            const UniqueFindHandle search(FindFirstFileW((spelled + part).c_str(), &found));
            exists = static_cast<bool>(search);
            if (exists) {
                part = found.cFileName;
            }
        } else {
            exists = false;
        }
        spelled += part;
        if (end < full->size()) {
            spelled += L'\\';
        }
        start = end + 1;
    }
    return Narrow(spelled);
}

std::unique_ptr<WritableFile> Win32FileSystem::Create(std::string_view path)
{
    // The old file goes first and the new one is made only where the name is free: a link or a
    // second name that someone put in its place is deleted itself, never written through (as
    // CREATE_ALWAYS would). Readers may look at the file while it is written.
    const std::wstring widePath = Widen(path);
    (void)DeleteFileW(widePath.c_str());
    UniqueFile file(CreateFileW(widePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return nullptr;
    }
    return std::make_unique<Win32WritableFile>(std::move(file));
}

std::optional<std::string> Win32FileSystem::ReadAll(std::string_view path)
{
    const UniqueFile file = OpenPlainFileForReading(path);
    if (!file) {
        return std::nullopt;
    }
    return ReadToEnd(file.get());
}

std::unique_ptr<HeldFile> Win32FileSystem::HoldForReading(std::string_view path)
{
    UniqueFile file = OpenPlainFileForReading(path);
    if (!file) {
        return nullptr;
    }
    return std::make_unique<Win32HeldFile>(std::move(file));
}

bool Win32FileSystem::Delete(std::string_view path)
{
    // DeleteFileW fails on a folder and on a file open without FILE_SHARE_DELETE. When every
    // handle on the file shares deletion it succeeds, but before Windows 10 (and on Wine) the name
    // stays, taken by a file that cannot be opened, until the last of them closes; only a free
    // name counts as gone.
    const std::wstring widePath = Widen(path);
    if (!DeleteFileW(widePath.c_str())) {
        return false;
    }
    if (GetFileAttributesW(widePath.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

} // namespace hivetidy::win32
