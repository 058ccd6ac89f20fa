#pragma once
// What the program passes to and relies on from the controller software's registry component,
// and the callback interface IUseRegItems that the component defines.
//
// Every operation that fails throws Failure ("raises an error"). A Failure thrown by a callback
// returns to the walk that called it; the walks pass over such a key or value and go on.

#include "component/RegistryStore.h"
#include "component/TaggedValue.h"
#include "shared/Hives.h"
#include "shared/RegLocation.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hivetidy {

class RegistryComponent;

// One value of a key, as handed to UseItem and returned by GetItem.
class RegistryItem {
public:
    virtual ~RegistryItem() = default;

    // The value's name; empty for the key's unnamed (default) value.
    [[nodiscard]] virtual std::string Name() const = 0;
    // The value's data: text for string data, a whole number for a 32-bit number, other otherwise.
    [[nodiscard]] virtual TaggedValue Value() const = 0;
};

// The callback interface; each program class that checks keys implements it once.
class IUseRegItems {
public:
    virtual ~IUseRegItems() = default;

    // One reported key, bound to that key while the handler runs; iLevel is its depth in a tree walk.
    virtual bool UseNode(RegistryComponent& node, std::int32_t iLevel) = 0;
    // One reported value.
    virtual bool UseItem(RegistryItem& item, std::int32_t iLevel) = 0;
};

// The key object: bound to one key by OpenKey, or handed to UseNode already bound.
class RegistryComponent {
public:
    virtual ~RegistryComponent() = default;

    // The bound key's own name (its last path component).
    [[nodiscard]] virtual std::string Name() = 0;
    // Binds to root\path (path: text) as the view shows it. With root kBindToHive and a
    // whole-number path holding a root handle, binds to that hive itself. Throws Failure when the
    // key is not there. Keys reached from the bound key (walks, deletes) stay in the same view.
    virtual void OpenKey(RootHandle root, const TaggedValue& path, RegView view) = 0;
    // The same in the native view.
    void OpenKey(RootHandle root, const TaggedValue& path) { OpenKey(root, path, RegView::Native); }
    // The system's own full name of the bound key: two names, or two views, reach the same key
    // exactly when this is equal. Throws Failure when it cannot be told.
    [[nodiscard]] virtual std::string Identity() = 0;
    // Every value of the bound key as the registry holds it, raw; throws Failure when unreadable.
    [[nodiscard]] virtual std::vector<RawValue> RawValues() = 0;
    // The bound key and every key below it with their raw values, key before subkeys (see
    // WalkLiveKeys). Unlike the walks it passes over nothing: throws Failure when any key of the
    // tree cannot be read whole.
    [[nodiscard]] virtual std::vector<LiveKey> ReadTree() = 0;
    // The bound key's unnamed value; other data when it has none.
    [[nodiscard]] virtual TaggedValue DefaultValue() = 0;
    // The value of that name (tagged text) of the bound key; throws Failure when there is none.
    [[nodiscard]] virtual std::unique_ptr<RegistryItem> GetItem(const TaggedValue& name) = 0;
    // Removes path (tagged text, below the bound key) with everything below it; true when it did.
    [[nodiscard]] virtual bool DeleteKey(const TaggedValue& path, const TaggedValue& recursive) = 0;
    // The names of the bound key's direct subkeys, those that cannot be opened included; throws
    // Failure when they cannot be enumerated.
    [[nodiscard]] virtual std::vector<std::string> SubkeyNames() = 0;
    // One UseNode per direct subkey of the bound key, iLevel 1.
    virtual void WalkSubkeys(IUseRegItems& callback, std::int32_t reserved) = 0;
    // One UseItem per value of the bound key, the unnamed value included.
    virtual void WalkItems(IUseRegItems& callback, std::int32_t reserved) = 0;
    // One UseNode per key below startKey, depth first, each key before the keys below it, one
    // subtree finished before the next, iLevel = depth (1 = direct subkey). The start key itself
    // and values are not reported. Links are not followed, and nothing deeper than the registry's
    // own limit of 512 levels is reported.
    virtual void WalkTree(IUseRegItems& callback, RegistryComponent& startKey, std::int32_t reserved) = 0;
};

// Creates component objects ("created on first use"); throws Failure when none can be created.
class RegistryComponentFactory {
public:
    virtual ~RegistryComponentFactory() = default;

    [[nodiscard]] virtual std::unique_ptr<RegistryComponent> Create() = 0;
    // The registry views of this machine, the native one first (see RegistryStore::Views).
    [[nodiscard]] virtual std::vector<RegView> Views() = 0;
};

} // namespace hivetidy
