#include "platform/win32/Win32FileSystem.h"

#include "platform/win32/UniqueResource.h"
#include "platform/win32/WideText.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace hivetidy::win32 {

namespace {

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

private:
    static constexpr std::size_t kMaxChunk = 1u << 20;

    UniqueFile m_file;
};

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

std::unique_ptr<WritableFile> Win32FileSystem::Create(std::string_view path)
{
    // CREATE_ALWAYS empties an existing file; readers may look at it while it is written.
    UniqueFile file(CreateFileW(Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return nullptr;
    }
    return std::make_unique<Win32WritableFile>(std::move(file));
}

std::optional<std::string> Win32FileSystem::ReadAll(std::string_view path)
{
    // Shared for writing as well, so that a file another program keeps open can still be read.
    const UniqueFile file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return std::nullopt;
    }
    std::string content;
    std::array<char, 64 * 1024> chunk{};
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr)) {
            return std::nullopt;
        }
        if (read == 0) {
            return content;
        }
        content.append(chunk.data(), read);
    }
}

bool Win32FileSystem::Delete(std::string_view path)
{
    return DeleteFileW(Widen(path).c_str()) != FALSE;
}

} // namespace hivetidy::win32
