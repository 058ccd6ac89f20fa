#pragma once
// The registry trees that a run of hivetidy.exe walks whole: HKEY_CLASSES_ROOT\CLSID and \TypeLib
// and the machine's App Paths key, on 64-bit Windows in each view whose key is its own. Every
// measurement of the benchmark takes the same trees.

#include "UniqueHandle.h"

#include <windows.h>

#include <string>
#include <vector>

namespace hivebench {

struct WalkedTree {
    HKEY root;
    std::wstring path;     // below the root
    REGSAM view;           // the KEY_WOW64_* flag the tree is opened with; 0 on 32-bit Windows
    std::wstring viewName; // "native", "32-bit"
    // As the native registry editor and reg.exe name the key, "HKEY_CLASSES_ROOT\Wow6432Node\CLSID".
    std::wstring fullName;
};

// The native view's trees first, then those the 32-bit view has of its own. Which keys the views
// share is asked of the registry, by the kernel's name of each key, as the program asks it.
[[nodiscard]] std::vector<WalkedTree> TreesOfARun();

// The tree's top key opened for reading in its view; throws when it cannot be opened.
[[nodiscard]] hivedrive::UniqueHkey OpenTop(const WalkedTree& tree);

} // namespace hivebench
