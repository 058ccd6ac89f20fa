#include "ScratchFolder.h"

#include <system_error>

namespace hivetidy::win32 {

ScratchFolder::ScratchFolder(std::wstring_view name)
    : m_path(std::filesystem::temp_directory_path() / name), m_previousDirectory(std::filesystem::current_path())
{
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::current_path(m_previousDirectory, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

} // namespace hivetidy::win32
