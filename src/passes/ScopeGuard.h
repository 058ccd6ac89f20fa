#pragma once
// What a text taken from the registry must look like before the run uses it as a key name.

#include <string_view>

namespace hivetidy {

// Whose a key is by its own data, asked just before the run removes it.
enum class KeyClaim {
    Controllers, // it goes
    Foreign,     // not the controller's: it is left alone, as if it had never been selected
    Shared,      // the controller's in part only: it stays, since it also registers other software
    Unreadable,  // it refers into the controller folders but cannot be judged whole: it stays
};

// A ProgID as COM describes it and real registrations use it: a letter first, at least one period,
// nothing but letters of any script, digits, periods, underscores, hyphens and blanks, at most 39
// characters. "CLSID", "exefile", "Component Categories", ".txt" and "*" are none.
[[nodiscard]] bool HasProgIdForm(std::string_view progId);

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" with hexadecimal digits of either case.
[[nodiscard]] bool IsBracedGuid(std::string_view text);

} // namespace hivetidy
