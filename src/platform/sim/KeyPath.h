#pragma once
// Full key paths of the simulated registry ("HKEY_LOCAL_MACHINE\\SOFTWARE\\X", or with a short hive
// name, "HKLM\\SOFTWARE\\X"), taken apart as the registry, its editor and its files read them.

#include "shared/Hives.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hivetidy::sim {

// A full key path taken apart: its hive and the path below it.
struct KeyPath {
    RootHandle root = kNoRoot;
    std::string hiveName; // the full name ("HKEY_LOCAL_MACHINE"), as written when written in full
    std::string below;    // "" for the hive itself
};

// The hive and the path below it; nullopt for an unknown hive or an empty path component.
[[nodiscard]] std::optional<KeyPath> ParseKeyPath(std::string_view fullPath);

// The components of a relative path; nullopt when one is empty (the store opens nothing then).
[[nodiscard]] std::optional<std::vector<std::string_view>> SplitKeyPath(std::string_view path);

} // namespace hivetidy::sim
