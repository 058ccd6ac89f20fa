#pragma once
// The registry underneath the component: the real one (advapi32) or an in-memory one.
// Deliberately small; every rule of the component contract lives in StoreComponent once.

#include "shared/Hives.h"

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
    // Deletes the key at path below this one with all its subkeys and values; true when it did.
    [[nodiscard]] virtual bool DeleteTree(std::string_view path) = 0;
};

class RegistryStore {
public:
    virtual ~RegistryStore() = default;

    // The hive of a predefined root handle; nullptr for any other handle.
    [[nodiscard]] virtual std::unique_ptr<StoreKey> OpenHive(RootHandle root) = 0;
};

} // namespace hivetidy
