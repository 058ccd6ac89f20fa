#pragma once
// The Windows predefined root keys, by name and by their 32-bit handle values.

#include <cstdint>
#include <string_view>

namespace hivetidy {

using RootHandle = std::uint32_t;

inline constexpr RootHandle kNoRoot = 0;                    // names no key
inline constexpr RootHandle kHkeyClassesRoot = 0x80000000u;
inline constexpr RootHandle kHkeyCurrentUser = 0x80000001u;
inline constexpr RootHandle kHkeyLocalMachine = 0x80000002u;
inline constexpr RootHandle kHkeyUsers = 0x80000003u;
// Root -1 for OpenKey: the path is a whole number holding a root handle, and the key is that hive.
inline constexpr RootHandle kBindToHive = 0xFFFFFFFFu;

// The root handle of a hive name, compared ignoring letter case; kNoRoot for any other text.
[[nodiscard]] RootHandle RootHandleOf(std::string_view hiveName);

// The hive name of a root handle ("HKEY_CLASSES_ROOT", ...); empty for any other handle.
[[nodiscard]] std::string_view HiveNameOf(RootHandle root);

} // namespace hivetidy
