#include "shared/Hives.h"

#include "shared/Text.h"

#include <array>
#include <utility>

namespace hivetidy {

namespace {

constexpr std::array<std::pair<std::string_view, RootHandle>, 4> kHives{{
    {"HKEY_CLASSES_ROOT", kHkeyClassesRoot},
    {"HKEY_CURRENT_USER", kHkeyCurrentUser},
    {"HKEY_LOCAL_MACHINE", kHkeyLocalMachine},
    {"HKEY_USERS", kHkeyUsers},
}};

} // namespace

RootHandle RootHandleOf(std::string_view hiveName)
{
    for (const auto& [name, root] : kHives) {
        if (EqualsIgnoreCase(hiveName, name)) {
            return root;
        }
    }
    return kNoRoot;
}

std::string_view HiveNameOf(RootHandle root)
{
    for (const auto& [name, handle] : kHives) {
        if (handle == root) {
            return name;
        }
    }
    return {};
}

} // namespace hivetidy
