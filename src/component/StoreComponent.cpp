#include "component/StoreComponent.h"

#include "shared/Failure.h"
#include "shared/Text.h"

#include <utility>

namespace hivetidy {

namespace {

class StoreItem final : public RegistryItem {
public:
    explicit StoreItem(RawValue raw) : m_raw(std::move(raw)) {}

    [[nodiscard]] std::string Name() const override { return m_raw.name; }
    [[nodiscard]] TaggedValue Value() const override { return TaggedValueOf(m_raw); }

private:
    RawValue m_raw;
};

// A value handed to a walk's callback: the walk keeps the value for as long as the call lasts.
class WalkedItem final : public RegistryItem {
public:
    explicit WalkedItem(const RawValue& raw) : m_raw(raw) {}

    [[nodiscard]] std::string Name() const override { return m_raw.name; }
    [[nodiscard]] TaggedValue Value() const override { return TaggedValueOf(m_raw); }

private:
    const RawValue& m_raw;
};

std::string LastComponent(std::string_view path)
{
    const auto slash = path.rfind('\\');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// Windows keeps no key deeper than this below a hive's root; a walk never goes further.
constexpr std::int32_t kMaxKeyDepth = 512;

// A name with a NUL in it cannot be opened by its text: the walk passes over such a key.
bool IsWalkableName(std::string_view name)
{
    return !name.empty() && name.find('\0') == std::string_view::npos && name.find('\\') == std::string_view::npos;
}

// A failure of the callback is passed over: one unreadable class key must never abort a run.
template <class Call>
void PassOverFailure(Call&& call)
{
    (void)SkipOnFailure(std::forward<Call>(call));
}

} // namespace

TaggedValue TaggedValueOf(const RawValue& raw)
{
    switch (raw.type) {
    case kRegSz:
    case kRegExpandSz:
        return TaggedValue::Text(LeBytesTextToUtf8(raw.data));
    case kRegDword:
        if (raw.data.size() == 4) {
            const auto byte = [&](int i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(raw.data[i])); };
            return TaggedValue::Whole(static_cast<std::int32_t>(byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24));
        }
        break;
    default:
        break;
    }
    return TaggedValue::Other("registry type " + std::to_string(raw.type));
}

StoreComponent::StoreComponent(RegistryStore& store) : m_store(store) {}

StoreComponent::StoreComponent(RegistryStore& store, std::shared_ptr<StoreKey> key, std::string name)
    : m_store(store), m_key(std::move(key)), m_name(std::move(name))
{
}

std::shared_ptr<StoreKey> StoreComponent::Bound()
{
    if (!m_key) {
        throw Failure("the component is bound to no key");
    }
    return m_key;
}

std::string StoreComponent::Name()
{
    (void)Bound();
    return m_name;
}

void StoreComponent::OpenKey(RootHandle root, const TaggedValue& path, RegView view)
{
    // A failed open leaves the object unbound, so nothing can act on the previous key by mistake.
    m_key.reset();
    m_name.clear();
    if (root == kBindToHive) {
        const auto hiveRoot = static_cast<RootHandle>(path.ToWhole());
        auto hive = m_store.OpenHive(hiveRoot, view);
        if (!hive) {
            throw Failure("no such hive");
        }
        m_key = std::move(hive);
        m_name = std::string(HiveNameOf(hiveRoot));
        return;
    }
    if (!path.IsText()) {
        throw Failure("key path is not text");
    }
    auto hive = m_store.OpenHive(root, view);
    if (!hive) {
        throw Failure("no such hive");
    }
    const std::string text = path.ToText();
    auto key = hive->Open(text);
    if (!key) {
        throw Failure("key not found: " + text);
    }
    m_key = std::move(key);
    m_name = LastComponent(text);
}

std::string StoreComponent::Identity()
{
    auto identity = Bound()->Identity();
    if (!identity) {
        throw Failure("the key's own name cannot be told");
    }
    return std::move(*identity);
}

std::vector<RawValue> StoreComponent::RawValues()
{
    auto values = Bound()->Values();
    if (!values) {
        throw Failure("values cannot be enumerated");
    }
    return std::move(*values);
}

std::vector<LiveKey> StoreComponent::ReadTree()
{
    auto tree = WalkLiveKeys(*Bound());
    if (!tree) {
        throw Failure("the key cannot be read whole");
    }
    return std::move(*tree);
}

TaggedValue StoreComponent::DefaultValue()
{
    const auto raw = Bound()->Value("");
    return raw ? TaggedValueOf(*raw) : TaggedValue::Other("no value");
}

std::unique_ptr<RegistryItem> StoreComponent::GetItem(const TaggedValue& name)
{
    auto raw = Bound()->Value(name.ToText());
    if (!raw) {
        throw Failure("value not found");
    }
    return std::make_unique<StoreItem>(std::move(*raw));
}

bool StoreComponent::DeleteKey(const TaggedValue& path, const TaggedValue& /*recursive*/)
{
    // Always removes the whole tree; the program passes True for the second argument anyway.
    if (!path.IsText()) {
        throw Failure("key path is not text");
    }
    return Bound()->DeleteTree(path.ToText());
}

std::vector<std::string> StoreComponent::SubkeyNames()
{
    auto names = Bound()->SubkeyNames();
    if (!names) {
        throw Failure("subkeys cannot be enumerated");
    }
    return std::move(*names);
}

void StoreComponent::WalkSubkeys(IUseRegItems& callback, std::int32_t /*reserved*/)
{
    // The names are taken in full before the first callback, so a callback may delete or open keys.
    const std::shared_ptr<StoreKey> key = Bound();
    const auto names = key->SubkeyNames();
    if (!names) {
        throw Failure("subkeys cannot be enumerated");
    }
    for (const std::string& name : *names) {
        auto child = IsWalkableName(name) ? key->OpenSubkey(name) : nullptr;
        if (!child) {
            continue; // gone, not readable or a link: passed over
        }
        StoreComponent node(m_store, std::move(child), name);
        PassOverFailure([&] { (void)callback.UseNode(node, 1); });
    }
}

void StoreComponent::WalkItems(IUseRegItems& callback, std::int32_t /*reserved*/)
{
    const auto values = Bound()->Values();
    if (!values) {
        throw Failure("values cannot be enumerated");
    }
    for (const RawValue& raw : *values) {
        WalkedItem item(raw);
        PassOverFailure([&] { (void)callback.UseItem(item, 0); });
    }
}

void StoreComponent::WalkTree(IUseRegItems& callback, RegistryComponent& startKey, std::int32_t /*reserved*/)
{
    auto* start = dynamic_cast<StoreComponent*>(&startKey);
    if (!start) {
        throw Failure("start key is not a key object of this component");
    }
    const std::shared_ptr<StoreKey> key = start->Bound();
    auto names = key->SubkeyNames();
    if (!names) {
        throw Failure("subkeys cannot be enumerated");
    }
    // The start key's listing is the walk's first level: the registry is asked for it once.
    WalkBelow(callback, key, std::move(*names));
}

void StoreComponent::WalkBelow(IUseRegItems& callback, const std::shared_ptr<StoreKey>& top,
                               std::vector<std::string> topNames)
{
    // Depth first with a stack of its own: the depth of a tree is for the registry's data to say,
    // never the size of this thread's stack.
    struct Level {
        std::shared_ptr<StoreKey> key;
        std::vector<std::string> names;
        std::size_t next = 0;
    };
    std::vector<Level> levels;
    const auto enter = [&](std::shared_ptr<StoreKey> key) {
        auto names = key->SubkeyNames();
        // A key that cannot be enumerated is passed over, its own report already made.
        levels.push_back(Level{std::move(key), names ? std::move(*names) : std::vector<std::string>{}, 0});
    };
    levels.push_back(Level{top, std::move(topNames), 0});
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.names.size()) {
            levels.pop_back();
            continue;
        }
        // Each name is visited once: it moves on into the key object.
        std::string name = std::move(level.names[level.next++]);
        std::shared_ptr<StoreKey> child = IsWalkableName(name) ? level.key->OpenSubkey(name) : nullptr;
        if (!child) {
            continue;
        }
        const auto depth = static_cast<std::int32_t>(levels.size());
        {
            StoreComponent node(m_store, child, std::move(name));
            PassOverFailure([&] { (void)callback.UseNode(node, depth); });
        }
        if (depth < kMaxKeyDepth) {
            enter(std::move(child));
        }
    }
}

namespace {

bool Walk(StoreKey& key, const std::string& path, std::vector<LiveKey>& out)
{
    auto values = key.Values();
    auto names = key.SubkeyNames();
    if (!values || !names) {
        return false;
    }
    out.push_back(LiveKey{path, std::move(*values)});
    for (const std::string& name : *names) {
        const auto child = key.OpenSubkey(name);
        if (!child || !Walk(*child, path.empty() ? name : path + "\\" + name, out)) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<std::vector<LiveKey>> WalkLiveKeys(StoreKey& key)
{
    std::vector<LiveKey> keys;
    if (!Walk(key, {}, keys)) {
        return std::nullopt;
    }
    return keys;
}

std::unique_ptr<RegistryComponent> StoreComponentFactory::Create()
{
    return std::make_unique<StoreComponent>(m_store);
}

} // namespace hivetidy
