#pragma once
// A key the program touches, as one value: its hive, the registry view it is seen through and its
// path in that view. On 64-bit Windows the registry has two views; a 32-bit program's keys live in
// the 32-bit one, partly below WOW6432Node. Every name that leaves the program (for the registry
// editor, the backup, the log) is made from such a value here, never spliced together elsewhere.

#include "shared/Hives.h"

#include <optional>
#include <string>
#include <string_view>

namespace hivetidy {

enum class RegView {
    Native, // the machine's own view: the 64-bit one on 64-bit Windows, the only one on 32-bit
    Wow32,  // the 32-bit view of 64-bit Windows
};

struct RegLocation {
    RootHandle hive = kNoRoot;
    RegView view = RegView::Native;
    std::string path; // below the hive, as the view shows it; never empty for a key we remove

    bool operator==(const RegLocation&) const = default;
};

// The name of the reserved key below which 64-bit Windows keeps the 32-bit view's own keys.
inline constexpr std::string_view kWow64Node = "WOW6432Node";

// Where the 32-bit view keeps its own copy of a key, as the native view names it:
//   HKEY_CLASSES_ROOT\X              -> HKEY_CLASSES_ROOT\WOW6432Node\X
//   HKEY_LOCAL_MACHINE\SOFTWARE\Classes\X -> ...\SOFTWARE\Classes\WOW6432Node\X
//   HKEY_LOCAL_MACHINE\SOFTWARE\X    -> ...\SOFTWARE\WOW6432Node\X
//   HKEY_CURRENT_USER\Software\Classes\X (and HKEY_USERS\<hive>\Software\Classes\X) alike.
// nullopt for a native location, and for a path no view ever redirects (the rest of the user
// hives, SOFTWARE itself, a path that already passes through WOW6432Node).
[[nodiscard]] std::optional<RegLocation> RedirectedLocation(const RegLocation& location);

// "HKEY_LOCAL_MACHINE\SOFTWARE\X": the native editor's name of a native location. Throws Failure
// for a 32-bit-view location, which must first be resolved to the native key it is.
[[nodiscard]] std::string EditorName(const RegLocation& location);

// The name a key of either view is told by before it is resolved: its editor name, for a
// 32-bit-view key the WOW6432Node one where that view redirects it. Throws Failure for no hive.
[[nodiscard]] std::string NameForLog(const RegLocation& location);

} // namespace hivetidy
