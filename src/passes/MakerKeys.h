#pragma once
// The maker's own keys, which start-up looks for and a run removes when they are selected.

#include <string_view>

namespace hivetidy {

// The maker's own key; below the machine hive it is spelt in capitals.
inline constexpr std::string_view kMakerKeyUser = "Software\\ORVA Roboter GmbH";
inline constexpr std::string_view kMakerKeyMachine = "SOFTWARE\\ORVA Roboter GmbH";

} // namespace hivetidy
