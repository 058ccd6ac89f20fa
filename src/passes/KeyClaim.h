#pragma once
// Whose a key is by its own data, asked just before the run removes it, and what a text taken from
// the registry must look like before the run uses it as a key name.

#include "component/RegistryComponent.h"
#include "passes/SharedState.h"
#include "shared/RegLocation.h"

#include <string_view>

namespace hivetidy {

// Whose a key is by its own data, asked just before the run removes it.
enum class KeyClaim {
    Controllers, // it goes
    Foreign,     // not the controller's: it is left alone, as if it had never been selected
    Shared,      // the controller's in part only: it stays, since it also registers other software
    Unreadable,  // it refers into the controller folders but cannot be judged whole: it stays
};

// What the walk of a type library's keys found in it.
struct TypeLibFindings {
    bool controllerFile = false;     // a win16, win32 or win64 file in the controller folders
    bool otherFile = false;          // such a file elsewhere, or one that is no text
    bool unreadable = false;         // a key of it could not be read
    bool refersToController = false; // a value of it, of any name, refers into the controller folders
};

// Whose a type library is; the class route and the type-library pass both ask this alone. The
// controller's when every file it names lies in the controller folders, or when it names none and
// a value of it refers into them (a HELPDIR, say); shared only when it names a file elsewhere as
// well; unreadable, never shared, when a key of it could not be read; foreign when nothing of it
// refers into them.
[[nodiscard]] KeyClaim ClaimOfTypeLib(const TypeLibFindings& found);

// A ProgID as COM describes it and real registrations use it: a letter first, at least one period,
// nothing but letters of any script, digits, periods, underscores, hyphens and blanks, at most 39
// characters. "CLSID", "exefile", "Component Categories", ".txt" and "*" are none.
[[nodiscard]] bool HasProgIdForm(std::string_view progId);

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" with hexadecimal digits of either case.
[[nodiscard]] bool IsBracedGuid(std::string_view text);

// The checks of a key's own data that decide whose it is, each reading the key afresh through a
// component object of its own; nothing here fails: a key that cannot be read is judged so.
class KeyClaims {
public:
    KeyClaims(RegistryComponentFactory& components, SharedState& state);

    // The ProgID key's CLSID value names this class.
    [[nodiscard]] bool ProgIdKeyNamesClass(const RegLocation& progIdKey, std::string_view classId);
    // A value of the key, or of a key below it, refers into the controller folders.
    [[nodiscard]] bool RefersToControllerDir(const RegLocation& location);
    // Whose the type library at the location is (ClaimOfTypeLib of what its keys hold).
    [[nodiscard]] KeyClaim TypeLibClaim(const RegLocation& location);

private:
    RegistryComponentFactory& m_components;
    SharedState& m_state;
};

} // namespace hivetidy
