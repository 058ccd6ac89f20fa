#pragma once
// The in-memory registry of one machine: hives HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and
// HKEY_USERS, with HKEY_CLASSES_ROOT merged from the user's and the machine's Software\Classes as
// Windows shows it. On a 64-bit machine the nodes hold the registry as the native (64-bit) view
// sees it, WOW6432Node keys included; the 32-bit view is a mapping onto those same nodes.
//
// Test helpers take native full paths that start with the hive name ("HKEY_LOCAL_MACHINE\SOFTWARE\X";
// HKLM, HKCU, HKCR and HKU too) and throw std::invalid_argument for a path that names no key. A
// 32-bit registration is seeded by its WOW6432Node path. Through HKEY_CLASSES_ROOT a helper reads
// the merged key, and writes or deletes the user's key when the user has one of that name, else
// the machine's.

#include "component/RegistryStore.h"
#include "platform/sim/KeyPath.h"
#include "platform/sim/RegFile.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace hivetidy::sim {

// Which Windows the machine is: the number of registry views follows from it.
enum class SimMachine {
    Windows32, // one view, the native one
    Windows64, // Windows 7 and later on x64: the native view and the 32-bit one
};

class SimRegistry final : public RegistryStore, public RegImportTarget {
public:
    // Empty hives, but for the machine's SOFTWARE\Classes that HKEY_CLASSES_ROOT shows.
    explicit SimRegistry(SimMachine machine = SimMachine::Windows64);
    ~SimRegistry() override;

    SimRegistry(const SimRegistry&) = delete;
    SimRegistry& operator=(const SimRegistry&) = delete;

    // HKEY_CLASSES_ROOT opens the merged classes; injected faults apply in either view.
    using RegistryStore::OpenHive;
    [[nodiscard]] std::unique_ptr<StoreKey> OpenHive(RootHandle root, RegView view) override;
    [[nodiscard]] std::vector<RegView> Views() const override;

    // Creates the key and every missing key above it; an existing key keeps the case of its name.
    void CreateKey(std::string_view path) override;
    // Each setter creates the key when it is missing and replaces a value of that name in place.
    void SetString(std::string_view path, std::string_view name, std::string_view utf8);
    void SetExpandString(std::string_view path, std::string_view name, std::string_view utf8);
    void SetMultiString(std::string_view path, std::string_view name, const std::vector<std::string>& utf8);
    void SetDword(std::string_view path, std::string_view name, std::uint32_t number);
    void SetBinary(std::string_view path, std::string_view name, std::string_view bytes);
    void SetRaw(std::string_view path, const RawValue& value) override;
    // Removes one value; false when the key or the value is not there.
    bool DeleteValue(std::string_view path, std::string_view name) override;
    // Removes the key with everything below it, faults ignored; false when it is not there.
    bool DeleteKey(std::string_view path) override;

    // Both read the native view past injected faults; GetRaw is nullopt when the key or the value
    // is not there.
    [[nodiscard]] bool KeyExists(std::string_view path) const;
    [[nodiscard]] std::optional<RawValue> GetRaw(std::string_view path, std::string_view name) const;
    // True when the text is a full path of a key (present or not) that a helper accepts.
    [[nodiscard]] static bool IsKeyPath(std::string_view path);
    // The same, for an import.
    [[nodiscard]] bool NamesKey(std::string_view path) const override { return IsKeyPath(path); }

    // A registry link at path that leads to the key at target (made where missing), as Windows
    // shares a key between the views and Wine links the 32-bit view's WOW6432Node name to the
    // native key: every name through the link reaches the target's very keys, Identity included.
    // Opens and helpers follow it, a walk's OpenSubkey never enters it, and a delete that names
    // it removes the link alone. The target is looked up by its plain names each time, so it may
    // be deleted and made again. Throws std::invalid_argument when a path names no key below a
    // hive, the link's name is taken or the target's path passes through a link.
    void AddLink(std::string_view path, std::string_view target);

    // Builds keys and values from a .reg file's text (either version, UTF-8 here); throws
    // std::invalid_argument naming the first line that is not valid.
    void LoadRegText(std::string_view utf8Text);

    // A fault sits on the native key the path names (through HKEY_CLASSES_ROOT, the one a helper
    // writes to), so it holds in whichever view reaches that key.
    //
    // From now on opening that key fails (it is still enumerated).
    void DenyOpen(std::string_view path);
    // From now on the subkeys and values of that key cannot be enumerated.
    void FailEnumeration(std::string_view path);
    // From now on deleting that key, or a key above it, fails and deletes nothing.
    void FailDelete(std::string_view path);
    // From now on that key cannot be deleted, while a delete of a key above it removes everything
    // else it can and reports failure: a key deleted only in part.
    void FailDeletePartWay(std::string_view path);

    // Every hive's keys and values as .reg text, faults ignored: compare two to compare registries.
    [[nodiscard]] std::string Dump();

private:
    struct Node;          // one key with its values and subkeys
    struct Place;         // a key as a view shows it: its path and the nodes behind it
    class Key;            // a StoreKey on a place
    class FaultFreeView;  // the same keys with every fault ignored, for Dump

    // The root node of HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or HKEY_USERS; nullptr otherwise.
    [[nodiscard]] std::shared_ptr<Node> HiveNode(RootHandle root) const;
    // A hive as the view shows it; for HKEY_CLASSES_ROOT the user's then the machine's classes.
    [[nodiscard]] Place HivePlace(RootHandle root, RegView view) const;
    // The native view's place of a full path (throws when it names no key).
    [[nodiscard]] Place Find(std::string_view path) const;
    // The native full path a helper writes to for a full path (throws when it names no key).
    [[nodiscard]] std::string WriteTarget(std::string_view path) const;
    // The native node a helper writes to for a full path; nullptr when it is not there.
    [[nodiscard]] std::shared_ptr<Node> Written(std::string_view path) const;
    // The node at a relative path; nullptr when it is not there or a component is empty.
    [[nodiscard]] static std::shared_ptr<Node> FindBelow(const std::shared_ptr<Node>& from, std::string_view below);
    // The node of a native full path, made with the nodes above it where missing.
    std::shared_ptr<Node> Create(std::string_view path);
    // The node at a relative path, made where missing; a link on the way is written through when
    // throughLinks, and throws std::invalid_argument otherwise (a link's target takes plain names).
    static std::shared_ptr<Node> MakeBelow(std::shared_ptr<Node> node, std::string_view below, bool throughLinks);
    // The hive of the view as a key; nullptr as OpenHive gives it.
    std::unique_ptr<StoreKey> OpenHiveKey(RootHandle root, RegView view, bool honourFaults);
    // The injected faults of a node.
    [[nodiscard]] bool IsDenied(const Node& node) const;
    [[nodiscard]] bool AnyDenied(const Place& place) const;
    [[nodiscard]] bool CannotEnumerate(const Node& node) const;
    [[nodiscard]] bool MayDeleteTree(const Node& node) const;
    [[nodiscard]] bool HoldsUndeletable(const Node& node) const;
    void DeleteAllBut(Node& node);
    // Unlinks the node and marks its whole tree deleted for the keys still open on it.
    static bool Unlink(const std::shared_ptr<Node>& node);
    // The canonical form under which faults are kept: the upper-case native path of the node.
    [[nodiscard]] std::string CanonicalPath(std::string_view path) const;

    SimMachine m_kind;
    std::shared_ptr<Node> m_machine;
    std::shared_ptr<Node> m_currentUser;
    std::shared_ptr<Node> m_users;
    std::set<std::string> m_deniedOpen;     // canonical paths
    std::set<std::string> m_failEnumeration;
    std::set<std::string> m_failDelete;
    std::set<std::string> m_undeletable;
    std::unique_ptr<FaultFreeView> m_faultFree;
};

} // namespace hivetidy::sim
