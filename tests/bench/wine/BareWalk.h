#pragma once
// The floor of a scan: the bare walk of the trees a run walks, reading every key name and every
// value's name, type and data and doing nothing with them. Written several ways, to find the
// fastest; the benchmark measures the program against that one.

#include "WalkedTrees.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace hivebench {

enum class WalkMethod {
    // Every key opened by its whole path from the root; lists read until the registry says no more.
    Naive,
    // As the registry editor exports: each key opened below its parent's handle in the tree's view,
    // lists read until the registry says no more, buffers of the largest possible size.
    Enumerating,
    // RegQueryInfoKeyW once per key, then exactly that many names and values, each into a buffer
    // of the key's largest size; opened below the parent's handle in the tree's view.
    Counted,
    // Counted, through ntdll itself: each key opened below its parent's handle by the name just
    // listed, with no view flag, since below the top key there is nothing left to redirect.
    Ntdll,
};

inline constexpr WalkMethod kFastestWalk = WalkMethod::Ntdll;

[[nodiscard]] std::optional<WalkMethod> WalkMethodNamed(std::wstring_view name);
[[nodiscard]] const char* NameOf(WalkMethod method);

struct WalkTotals {
    std::uint64_t keys = 0;   // the top key and every key below it
    std::uint64_t values = 0; // default values included
    std::uint64_t dataBytes = 0;

    WalkTotals& operator+=(const WalkTotals& other);
};

// Walks the whole tree, its top key included. A registry link is read as itself and not followed,
// as the program does not follow one. Throws when a key that was listed cannot be read.
[[nodiscard]] WalkTotals WalkTree(const WalkedTree& tree, WalkMethod method);

} // namespace hivebench
