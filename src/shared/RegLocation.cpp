#include "shared/RegLocation.h"

#include "shared/Failure.h"
#include "shared/Text.h"

#include <algorithm>
#include <vector>

namespace hivetidy {

namespace {

std::vector<std::string_view> Components(std::string_view path)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t slash = std::min(path.find('\\', start), path.size());
        parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

// The path with WOW6432Node put in after its first `keep` components.
std::string InsertWow64Node(const std::vector<std::string_view>& parts, std::size_t keep)
{
    std::string path;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i == keep) {
            path += kWow64Node;
            path += '\\';
        }
        path += parts[i];
        if (i + 1 < parts.size()) {
            path += '\\';
        }
    }
    return path;
}

bool Is(std::string_view part, std::string_view name)
{
    return EqualsIgnoreCase(part, name);
}

} // namespace

std::optional<RegLocation> RedirectedLocation(const RegLocation& location)
{
    if (location.view != RegView::Wow32 || location.path.empty()) {
        return std::nullopt;
    }
    const std::vector<std::string_view> parts = Components(location.path);
    if (std::any_of(parts.begin(), parts.end(), [](std::string_view part) { return part.empty() || Is(part, kWow64Node); })) {
        return std::nullopt;
    }
    // How many leading components stay in front of WOW6432Node; 0 where nothing is redirected.
    std::size_t keep = 0;
    switch (location.hive) {
    case kHkeyClassesRoot:
        return RegLocation{location.hive, RegView::Native, InsertWow64Node(parts, 0)};
    case kHkeyLocalMachine:
        if (parts.size() >= 3 && Is(parts[0], "SOFTWARE") && Is(parts[1], "Classes")) {
            keep = 2;
        } else if (parts.size() >= 2 && Is(parts[0], "SOFTWARE") && !Is(parts[1], "Classes")) {
            keep = 1;
        }
        break;
    case kHkeyCurrentUser:
        if (parts.size() >= 3 && Is(parts[0], "Software") && Is(parts[1], "Classes")) {
            keep = 2;
        }
        break;
    case kHkeyUsers:
        if (parts.size() >= 4 && Is(parts[1], "Software") && Is(parts[2], "Classes")) {
            keep = 3;
        }
        break;
    default:
        break;
    }
    if (keep == 0) {
        return std::nullopt;
    }
    return RegLocation{location.hive, RegView::Native, InsertWow64Node(parts, keep)};
}

std::string EditorName(const RegLocation& location)
{
    if (location.view != RegView::Native) {
        throw Failure("a 32-bit-view key has no editor name before it is resolved");
    }
    const std::string_view hive = HiveNameOf(location.hive);
    if (hive.empty()) {
        throw Failure("no such hive");
    }
    return location.path.empty() ? std::string(hive) : std::string(hive) + "\\" + location.path;
}

std::string NameForLog(const RegLocation& location)
{
    if (location.view == RegView::Native) {
        return EditorName(location);
    }
    const auto redirected = RedirectedLocation(location);
    return EditorName(redirected ? *redirected : RegLocation{location.hive, RegView::Native, location.path});
}

} // namespace hivetidy
