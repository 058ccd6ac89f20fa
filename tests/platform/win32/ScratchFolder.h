#pragma once
// A folder of its own below the temporary folder for one test: deleted first, and deleted again
// afterwards, with the current directory put back (a directory in use cannot be deleted).

#include <filesystem>
#include <string_view>

namespace hivetidy::win32 {

class ScratchFolder {
public:
    explicit ScratchFolder(std::wstring_view name);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previousDirectory;
};

} // namespace hivetidy::win32
