#pragma once
// What a key really is. A name can reach a key another name reaches too: the 32-bit view shares some
// keys with the native one, and HKEY_CLASSES_ROOT shows the user's classes over the machine's. The
// key that is exported, deleted and logged is always the one found here, asked of the registry by
// the key's own name, never derived from the text of a path.

#include "component/RegistryComponent.h"
#include "shared/RegLocation.h"

#include <optional>
#include <string>
#include <vector>

namespace hivetidy {

class RealKey {
public:
    explicit RealKey(RegistryComponentFactory& components);

    // The native key that a key of either view is: the WOW6432Node one where the 32-bit view
    // has its own, the plain one where both views share it. Throws Failure when it cannot tell.
    [[nodiscard]] RegLocation NativeLocationOf(const RegLocation& location);
    // The key a location really is: the native one, and of a name below HKEY_CLASSES_ROOT, which
    // shows the user's classes over the machine's, the user's key below
    // HKEY_CURRENT_USER\Software\Classes where it is his. Throws Failure when it cannot tell.
    [[nodiscard]] RegLocation KeyBehind(const RegLocation& location);
    // The registry's own name of the key, upper case; empty when it cannot be told.
    [[nodiscard]] std::string IdentityOf(const RegLocation& key);
    // The registry's own name (upper case) of a key that its parent lists, whether or not the key
    // can be opened; nullopt when the parent does not list it or cannot be listed.
    [[nodiscard]] std::optional<std::string> ListedIdentity(const RegLocation& location);
    // The key and every key below it with their values; nullopt when the key is not there or any
    // part of it cannot be read.
    [[nodiscard]] std::optional<std::vector<LiveKey>> ReadLiveKey(const RegLocation& location);

private:
    RegistryComponentFactory& m_components;
};

} // namespace hivetidy
