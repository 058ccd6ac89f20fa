#include "platform/sim/KeyPath.h"

#include "shared/Text.h"

#include <array>

namespace hivetidy::sim {

namespace {

struct ShortHive {
    std::string_view shortName;
    RootHandle root;
};

constexpr std::array<ShortHive, 4> kShortHives{{
    {"HKCR", kHkeyClassesRoot},
    {"HKCU", kHkeyCurrentUser},
    {"HKLM", kHkeyLocalMachine},
    {"HKU", kHkeyUsers},
}};

} // namespace

std::optional<std::vector<std::string_view>> SplitKeyPath(std::string_view path)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = path.find('\\', start);
        const std::string_view part = path.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        if (part.empty()) {
            return std::nullopt;
        }
        parts.push_back(part);
        if (slash == std::string_view::npos) {
            return parts;
        }
        start = slash + 1;
    }
}

std::optional<KeyPath> ParseKeyPath(std::string_view fullPath)
{
    const std::size_t slash = fullPath.find('\\');
    const std::string_view hive = fullPath.substr(0, slash);
    KeyPath parsed;
    parsed.root = RootHandleOf(hive);
    parsed.hiveName = std::string(hive);
    for (const ShortHive& entry : kShortHives) {
        if (parsed.root == kNoRoot && EqualsIgnoreCase(hive, entry.shortName)) {
            parsed.root = entry.root;
            parsed.hiveName = std::string(HiveNameOf(entry.root));
        }
    }
    if (parsed.root == kNoRoot) {
        return std::nullopt;
    }
    if (slash != std::string_view::npos) {
        parsed.below = std::string(fullPath.substr(slash + 1));
        if (!SplitKeyPath(parsed.below)) {
            return std::nullopt;
        }
    }
    return parsed;
}

} // namespace hivetidy::sim
