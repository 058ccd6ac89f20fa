#pragma once
// The registry component over a RegistryStore: the stand-in for the controller's component.

#include "component/RegistryComponent.h"
#include "component/RegistryStore.h"

#include <memory>
#include <string>
#include <vector>

namespace hivetidy {

// String data (REG_SZ, REG_EXPAND_SZ, up to the first NUL) as text, a 4-byte REG_DWORD as a whole
// number, anything else as other data.
[[nodiscard]] TaggedValue TaggedValueOf(const RawValue& raw);

class StoreComponent final : public RegistryComponent {
public:
    explicit StoreComponent(RegistryStore& store);
    StoreComponent(RegistryStore& store, std::shared_ptr<StoreKey> key, std::string name);

    [[nodiscard]] std::string Name() override;
    using RegistryComponent::OpenKey;
    void OpenKey(RootHandle root, const TaggedValue& path, RegView view) override;
    [[nodiscard]] std::string Identity() override;
    [[nodiscard]] std::vector<RawValue> RawValues() override;
    [[nodiscard]] std::vector<LiveKey> ReadTree() override;
    [[nodiscard]] TaggedValue DefaultValue() override;
    [[nodiscard]] std::unique_ptr<RegistryItem> GetItem(const TaggedValue& name) override;
    [[nodiscard]] bool DeleteKey(const TaggedValue& path, const TaggedValue& recursive) override;
    [[nodiscard]] std::vector<std::string> SubkeyNames() override;
    void WalkSubkeys(IUseRegItems& callback, std::int32_t reserved) override;
    void WalkItems(IUseRegItems& callback, std::int32_t reserved) override;
    void WalkTree(IUseRegItems& callback, RegistryComponent& startKey, std::int32_t reserved) override;

private:
    // The bound key; a walk holds its own reference, so a callback that rebinds this object
    // cannot pull the key away from under the walk.
    std::shared_ptr<StoreKey> Bound();
    void WalkBelow(IUseRegItems& callback, const std::shared_ptr<StoreKey>& top, std::vector<std::string> topNames);

    RegistryStore& m_store;
    std::shared_ptr<StoreKey> m_key;
    std::string m_name;
};

// Creates StoreComponents over one store.
class StoreComponentFactory final : public RegistryComponentFactory {
public:
    explicit StoreComponentFactory(RegistryStore& store) : m_store(store) {}

    [[nodiscard]] std::unique_ptr<RegistryComponent> Create() override;
    [[nodiscard]] std::vector<RegView> Views() override { return m_store.Views(); }

private:
    RegistryStore& m_store;
};

} // namespace hivetidy
