#include "Seeds.h"

#include "Files.h"
#include "Registry.h"

#include <windows.h>

#include <algorithm>

namespace hivedrive {

Seeds::~Seeds()
{
    // A destructor must not throw; a seed that cannot be deleted is left to the fresh prefix of the next run.
    try {
        RemoveAll();
    } catch (...) {
    }
}

void Seeds::OwnKey(std::wstring fullName, View view)
{
    m_keys.emplace_back(std::move(fullName), view);
}

void Seeds::OwnFolder(const std::wstring& path)
{
    for (std::size_t slash = path.find(L'\\', 3);; slash = path.find(L'\\', slash + 1)) {
        const std::wstring folder = path.substr(0, slash);
        if (::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
            if (std::find(m_folders.begin(), m_folders.end(), folder) == m_folders.end()) {
                m_folders.push_back(folder);
            }
            break;
        }
        if (slash == std::wstring::npos) {
            break;
        }
    }
    CreateFolders(path);
}

void Seeds::RemoveAll()
{
    if (m_keep) {
        return;
    }
    for (const auto& [key, view] : m_keys) {
        DeleteTree(key, view);
    }
    m_keys.clear();
    for (const std::wstring& folder : m_folders) {
        DeleteFolderTree(folder);
    }
    m_folders.clear();
}

} // namespace hivedrive
