#pragma once
// What a test puts into the prefix, registry keys and folders, taken away again when the seeds go,
// whatever the test's outcome.

#include "Registry.h"

#include <string>
#include <utility>
#include <vector>

namespace hivedrive {

class Seeds {
public:
    Seeds() = default;
    ~Seeds();

    Seeds(const Seeds&) = delete;
    Seeds& operator=(const Seeds&) = delete;

    // A key that the test creates and that is deleted, with everything below it, at the end; in the
    // view it was created through.
    void OwnKey(std::wstring fullName, View view = View::Native);
    // Creates the folder (and those above it); the topmost one that was not there is deleted at the end.
    void OwnFolder(const std::wstring& path);
    // Leaves everything in place, for a prefix that is shown to a person afterwards.
    void Keep() { m_keep = true; }
    void RemoveAll();

private:
    std::vector<std::pair<std::wstring, View>> m_keys;
    std::vector<std::wstring> m_folders;
    bool m_keep = false;
};

} // namespace hivedrive
