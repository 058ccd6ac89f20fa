#pragma once
// A registry store that counts what is asked of the one below it. On Windows each of these calls
// is at least one system call, under Wine one round trip to the server each: the count per key
// is what decides a scan's time there.

#include "component/RegistryStore.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace hivetidy::testing {

struct StoreCalls {
    std::uint64_t opens = 0;        // Open and OpenSubkey, each a key opened and later closed
    std::uint64_t subkeyLists = 0;  // SubkeyNames
    std::uint64_t subkeysListed = 0;
    std::uint64_t valueLists = 0;   // Values
    std::uint64_t valuesListed = 0;
    std::uint64_t valueReads = 0;   // Value by name
    std::uint64_t identities = 0;
    std::uint64_t deletes = 0;

    [[nodiscard]] std::uint64_t Total() const
    {
        return opens + subkeyLists + valueLists + valueReads + identities + deletes;
    }
};

class CountingStore final : public RegistryStore {
public:
    explicit CountingStore(RegistryStore& below) : m_below(below) {}

    [[nodiscard]] std::unique_ptr<StoreKey> OpenHive(RootHandle root, RegView view) override
    {
        auto hive = m_below.OpenHive(root, view);
        return hive ? std::make_unique<Key>(std::move(hive), m_calls) : nullptr;
    }
    [[nodiscard]] std::vector<RegView> Views() const override { return m_below.Views(); }

    [[nodiscard]] const StoreCalls& Calls() const { return m_calls; }
    void Reset() { m_calls = {}; }

private:
    class Key final : public StoreKey {
    public:
        Key(std::unique_ptr<StoreKey> below, StoreCalls& calls) : m_below(std::move(below)), m_calls(calls) {}

        [[nodiscard]] std::optional<std::vector<std::string>> SubkeyNames() override
        {
            ++m_calls.subkeyLists;
            auto names = m_below->SubkeyNames();
            m_calls.subkeysListed += names ? names->size() : 0;
            return names;
        }
        [[nodiscard]] std::optional<std::vector<RawValue>> Values() override
        {
            ++m_calls.valueLists;
            auto values = m_below->Values();
            m_calls.valuesListed += values ? values->size() : 0;
            return values;
        }
        [[nodiscard]] std::optional<RawValue> Value(std::string_view name) override
        {
            ++m_calls.valueReads;
            return m_below->Value(name);
        }
        [[nodiscard]] std::unique_ptr<StoreKey> Open(std::string_view path) override
        {
            ++m_calls.opens;
            return Wrap(m_below->Open(path));
        }
        [[nodiscard]] std::unique_ptr<StoreKey> OpenSubkey(std::string_view name) override
        {
            ++m_calls.opens;
            return Wrap(m_below->OpenSubkey(name));
        }
        [[nodiscard]] std::optional<std::string> Identity() override
        {
            ++m_calls.identities;
            return m_below->Identity();
        }
        [[nodiscard]] bool DeleteTree(std::string_view path) override
        {
            ++m_calls.deletes;
            return m_below->DeleteTree(path);
        }

    private:
        std::unique_ptr<StoreKey> Wrap(std::unique_ptr<StoreKey> key)
        {
            return key ? std::make_unique<Key>(std::move(key), m_calls) : nullptr;
        }

        std::unique_ptr<StoreKey> m_below;
        StoreCalls& m_calls;
    };

    RegistryStore& m_below;
    StoreCalls m_calls;
};

} // namespace hivetidy::testing
