#pragma once
// The in-memory registry: hives HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_USERS, with
// HKEY_CLASSES_ROOT showing the very keys of HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
//
// Test helpers take full paths that start with the hive name ("HKEY_LOCAL_MACHINE\SOFTWARE\X";
// HKLM, HKCU, HKCR and HKU too) and throw std::invalid_argument for a path that names no key.

#include "component/RegistryStore.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace hivetidy::sim {

// A full key path taken apart: its hive and the path below it.
struct KeyPath {
    RootHandle root = kNoRoot;
    std::string hiveName; // the full name ("HKEY_LOCAL_MACHINE"), as written when written in full
    std::string below;    // "" for the hive itself
};

// The hive and the path below it; nullopt for an unknown hive or an empty path component.
[[nodiscard]] std::optional<KeyPath> ParseKeyPath(std::string_view fullPath);

class SimRegistry final : public RegistryStore {
public:
    // Empty hives, but for the machine's SOFTWARE\Classes that HKEY_CLASSES_ROOT shows.
    SimRegistry();
    ~SimRegistry() override;

    SimRegistry(const SimRegistry&) = delete;
    SimRegistry& operator=(const SimRegistry&) = delete;

    // HKEY_CLASSES_ROOT opens HKEY_LOCAL_MACHINE\SOFTWARE\Classes; injected faults apply.
    using RegistryStore::OpenHive;
    [[nodiscard]] std::unique_ptr<StoreKey> OpenHive(RootHandle root, RegView view) override;
    [[nodiscard]] std::vector<RegView> Views() const override;

    // Creates the key and every missing key above it; an existing key keeps the case of its name.
    void CreateKey(std::string_view path);
    // Each setter creates the key when it is missing and replaces a value of that name in place.
    void SetString(std::string_view path, std::string_view name, std::string_view utf8);
    void SetExpandString(std::string_view path, std::string_view name, std::string_view utf8);
    void SetMultiString(std::string_view path, std::string_view name, const std::vector<std::string>& utf8);
    void SetDword(std::string_view path, std::string_view name, std::uint32_t number);
    void SetBinary(std::string_view path, std::string_view name, std::string_view bytes);
    void SetRaw(std::string_view path, const RawValue& value);
    // Removes one value; false when the key or the value is not there.
    bool DeleteValue(std::string_view path, std::string_view name);
    // Removes the key with everything below it, faults ignored; false when it is not there.
    bool DeleteKey(std::string_view path);

    // Both look past injected faults; GetRaw is nullopt when the key or the value is not there.
    [[nodiscard]] bool KeyExists(std::string_view path) const;
    [[nodiscard]] std::optional<RawValue> GetRaw(std::string_view path, std::string_view name) const;
    // True when the text is a full path of a key (present or not) that a helper accepts.
    [[nodiscard]] static bool IsKeyPath(std::string_view path);

    // Builds keys and values from a .reg file's text (either version, UTF-8 here); throws
    // std::invalid_argument naming the first line that is not valid.
    void LoadRegText(std::string_view utf8Text);

    // From now on opening that key fails (it is still enumerated).
    void DenyOpen(std::string_view path);
    // From now on the subkeys and values of that key cannot be enumerated.
    void FailEnumeration(std::string_view path);
    // From now on deleting that key, or a key above it, fails and deletes nothing.
    void FailDelete(std::string_view path);

    // Every hive's keys and values as .reg text, faults ignored: compare two to compare registries.
    [[nodiscard]] std::string Dump();

private:
    struct Node;          // one key with its values and subkeys
    class Key;            // a StoreKey on a node
    class FaultFreeView;  // the same keys with every fault ignored, for Dump

    // The root node of a hive; nullptr for any other handle.
    [[nodiscard]] std::shared_ptr<Node> HiveNode(RootHandle root) const;
    // The node of a full path (throws when it names no key); nullptr when it is not there.
    [[nodiscard]] std::shared_ptr<Node> Find(std::string_view path) const;
    // The node at a relative path; nullptr when it is not there or a component is empty.
    [[nodiscard]] std::shared_ptr<Node> FindBelow(const std::shared_ptr<Node>& from, std::string_view below) const;
    // The node of a full path, made with the nodes above it where missing.
    std::shared_ptr<Node> Create(std::string_view path);
    // The injected faults of a node.
    [[nodiscard]] bool IsDenied(const Node& node) const;
    [[nodiscard]] bool CannotEnumerate(const Node& node) const;
    [[nodiscard]] bool MayDeleteTree(const Node& node) const;
    // Unlinks the child and marks its whole tree deleted for the keys still open on it.
    bool RemoveChild(Node& parent, std::string_view name);

    std::shared_ptr<Node> m_machine;
    std::shared_ptr<Node> m_currentUser;
    std::shared_ptr<Node> m_users;
    std::set<std::string> m_deniedOpen;     // canonical paths
    std::set<std::string> m_failEnumeration;
    std::set<std::string> m_failDelete;
    std::unique_ptr<FaultFreeView> m_faultFree;
};

} // namespace hivetidy::sim
