#pragma once
// The maker's own keys, which start-up looks for and a run removes when they are selected.

#include <string_view>

namespace hivetidy {

// The maker's own key; below the machine hive it is spelt in capitals.
inline constexpr std::string_view kMakerKeyUser = "Software\\ORVA Roboter GmbH";
inline constexpr std::string_view kMakerKeyMachine = "SOFTWARE\\ORVA Roboter GmbH";
// Where a 32-bit program without a manifest that writes the machine's key without administrator
// rights finds it again: in the user's virtual store, below his classes hive, in both spellings of
// the machine's key (the second on 64-bit Windows).
inline constexpr std::string_view kMakerKeyVirtualStore = "VirtualStore\\MACHINE\\SOFTWARE\\ORVA Roboter GmbH";
inline constexpr std::string_view kMakerKeyVirtualStore32 =
    "VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node\\ORVA Roboter GmbH";

} // namespace hivetidy
