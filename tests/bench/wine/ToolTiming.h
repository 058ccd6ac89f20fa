#pragma once
// The system's own registry tools over the same trees, each tree one whole process, as a user
// would run them: `reg query <tree> /s` and `regedit /e <file> <tree>`. On 64-bit Windows these
// are the 64-bit tools, for either build of the benchmark.

#include "WalkedTrees.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace hivebench {

enum class Tool { RegQuery, RegeditExport };

[[nodiscard]] std::optional<Tool> ToolNamed(std::wstring_view name);
[[nodiscard]] const char* NameOf(Tool tool);

struct ToolResult {
    std::vector<double> treeMilliseconds; // each tree's process, from its start to its end
    double milliseconds = 0;              // their sum
    std::uint64_t outputBytes = 0;        // what the tool wrote, summed over the trees
};

// Runs the tool once for each tree, one after the other, its output into a scratch file; throws
// when one fails or writes nothing.
[[nodiscard]] ToolResult TimeTool(Tool tool, const std::vector<WalkedTree>& trees);

} // namespace hivebench
