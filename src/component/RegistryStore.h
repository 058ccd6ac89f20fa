#pragma once
// The registry underneath the component: the real one (advapi32) or an in-memory one.
// Deliberately small; every rule of the component contract lives in StoreComponent once.

#include "shared/Hives.h"
#include "shared/RegLocation.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hivetidy {

// Registry value types, as the Windows registry numbers them.
enum RegType : std::uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegMultiSz = 7,
    kRegQword = 11,
};

// One value as the registry holds it: string data as UTF-16LE bytes with their terminating NUL.
struct RawValue {
    std::string name; // UTF-8; empty for the unnamed value
    std::uint32_t type = kRegNone;
    std::string data; // raw bytes
    bool operator==(const RawValue&) const = default;
};

// An open key. Paths are relative to it, backslash-separated, UTF-8; the store rejects an empty
// path component (a leading, trailing or doubled backslash), so "TypeLib\" opens nothing.
class StoreKey {
public:
    virtual ~StoreKey() = default;

    // Names of the direct subkeys, in the registry's enumeration order; nullopt when unreadable.
    [[nodiscard]] virtual std::optional<std::vector<std::string>> SubkeyNames() = 0;
    // Every value, the unnamed one included when it is set; nullopt when unreadable.
    [[nodiscard]] virtual std::optional<std::vector<RawValue>> Values() = 0;
    // One value by name ("" for the unnamed one); nullopt when it is not there.
    [[nodiscard]] virtual std::optional<RawValue> Value(std::string_view name) = 0;
    // Opens a key below this one for reading; nullptr when it is not there or cannot be opened.
    [[nodiscard]] virtual std::unique_ptr<StoreKey> Open(std::string_view path) = 0;
    // Opens a direct subkey for a walk; nullptr also when it is a registry link, which a walk never
    // follows (a link below a user's key could lead anywhere). Where the store has no links, Open.
    [[nodiscard]] virtual std::unique_ptr<StoreKey> OpenSubkey(std::string_view name) { return Open(name); }
    // The system's own full name of this key, the same whichever name and view reached it (a key
    // that both registry views share, a key behind a link); nullopt when it cannot be told.
    [[nodiscard]] virtual std::optional<std::string> Identity() = 0;
    // Deletes the key at path below this one with all its subkeys and values; true when it did. A
    // link inside the tree is deleted as the link itself, never its target.
    [[nodiscard]] virtual bool DeleteTree(std::string_view path) = 0;
};

// One key of a tree read whole: its path relative to the tree's top ("" for the top itself,
// "Sub\\Deeper" below it) and every value it holds.
struct LiveKey {
    std::string relativePath;
    std::vector<RawValue> values;
};

// The key and every key below it, each with its values, key before subkeys; nullopt when any of
// them cannot be read whole: a key's subkeys or values cannot be listed, or a subkey cannot be
// opened or is a link (which is not followed). What is read is then all there is.
[[nodiscard]] std::optional<std::vector<LiveKey>> WalkLiveKeys(StoreKey& key);

class RegistryStore {
public:
    virtual ~RegistryStore() = default;

    // The hive of a predefined root handle as the view shows it; nullptr for any other handle,
    // and for the 32-bit view of a machine that has none. Every key opened from it, and every
    // delete below it, stays in that view.
    [[nodiscard]] virtual std::unique_ptr<StoreKey> OpenHive(RootHandle root, RegView view) = 0;
    [[nodiscard]] std::unique_ptr<StoreKey> OpenHive(RootHandle root) { return OpenHive(root, RegView::Native); }
    // The views this machine's registry has, the native one first: one on 32-bit Windows, both on
    // 64-bit Windows, whichever build the program is.
    [[nodiscard]] virtual std::vector<RegView> Views() const = 0;
};

} // namespace hivetidy
