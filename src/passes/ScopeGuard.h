#pragma once
// What a text taken from the registry must look like before the run uses it as a key name.

#include <string_view>

namespace hivetidy {

// A ProgID as COM describes it and real registrations use it: a letter first, at least one period,
// nothing but letters of any script, digits, periods, underscores, hyphens and blanks, at most 39
// characters. "CLSID", "exefile", "Component Categories", ".txt" and "*" are none.
[[nodiscard]] bool HasProgIdForm(std::string_view progId);

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" with hexadecimal digits of either case.
[[nodiscard]] bool IsBracedGuid(std::string_view text);

} // namespace hivetidy
