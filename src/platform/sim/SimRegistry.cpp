#include "platform/sim/SimRegistry.h"

#include "platform/sim/RegFile.h"
#include "shared/Text.h"

#include <array>
#include <map>
#include <stdexcept>
#include <utility>

namespace hivetidy::sim {

namespace {

constexpr std::string_view kClassesBelowMachine = "SOFTWARE\\Classes";

struct ShortHive {
    std::string_view shortName;
    RootHandle root;
};

constexpr std::array<ShortHive, 4> kShortHives{{
    {"HKCR", kHkeyClassesRoot},
    {"HKCU", kHkeyCurrentUser},
    {"HKLM", kHkeyLocalMachine},
    {"HKU", kHkeyUsers},
}};

// The components of a relative path; nullopt when one is empty (the store opens nothing then).
std::optional<std::vector<std::string_view>> SplitPath(std::string_view path)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = path.find('\\', start);
        const std::string_view part = path.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        if (part.empty()) {
            return std::nullopt;
        }
        parts.push_back(part);
        if (slash == std::string_view::npos) {
            return parts;
        }
        start = slash + 1;
    }
}

std::invalid_argument NotAKeyPath(std::string_view path)
{
    return std::invalid_argument("not a key path: " + std::string(path));
}

} // namespace

std::optional<KeyPath> ParseKeyPath(std::string_view fullPath)
{
    const std::size_t slash = fullPath.find('\\');
    const std::string_view hive = fullPath.substr(0, slash);
    KeyPath parsed;
    parsed.root = RootHandleOf(hive);
    parsed.hiveName = std::string(hive);
    for (const ShortHive& entry : kShortHives) {
        if (parsed.root == kNoRoot && EqualsIgnoreCase(hive, entry.shortName)) {
            parsed.root = entry.root;
            parsed.hiveName = std::string(HiveNameOf(entry.root));
        }
    }
    if (parsed.root == kNoRoot) {
        return std::nullopt;
    }
    if (slash != std::string_view::npos) {
        parsed.below = std::string(fullPath.substr(slash + 1));
        if (!SplitPath(parsed.below)) {
            return std::nullopt;
        }
    }
    return parsed;
}

struct SimRegistry::Node {
    std::string name;
    std::string canonicalPath; // upper case; class keys by their place below HKEY_LOCAL_MACHINE
    std::vector<RawValue> values;
    // Keyed by the upper-case name, which is also the order in which Windows enumerates subkeys.
    std::map<std::string, std::shared_ptr<Node>> subkeys;
    bool deleted = false;

    std::shared_ptr<Node> Child(std::string_view childName) const
    {
        const auto found = subkeys.find(ToUpperText(childName));
        return found == subkeys.end() ? nullptr : found->second;
    }

    std::vector<RawValue>::iterator ValueNamed(std::string_view valueName)
    {
        for (auto it = values.begin(); it != values.end(); ++it) {
            if (EqualsIgnoreCase(it->name, valueName)) {
                return it;
            }
        }
        return values.end();
    }

    void MarkDeleted()
    {
        deleted = true;
        for (auto& [upper, child] : subkeys) {
            child->MarkDeleted();
        }
    }
};

// An open key. It holds its node, so a key deleted meanwhile stays in memory and only reports
// that it is gone.
class SimRegistry::Key final : public StoreKey {
public:
    Key(SimRegistry& registry, std::shared_ptr<Node> node, bool honourFaults)
        : m_registry(registry), m_node(std::move(node)), m_honourFaults(honourFaults)
    {
    }

    std::optional<std::vector<std::string>> SubkeyNames() override
    {
        if (!Enumerable()) {
            return std::nullopt;
        }
        std::vector<std::string> names;
        for (const auto& [upper, child] : m_node->subkeys) {
            names.push_back(child->name);
        }
        return names;
    }

    std::optional<std::vector<RawValue>> Values() override
    {
        if (!Enumerable()) {
            return std::nullopt;
        }
        return m_node->values;
    }

    std::optional<RawValue> Value(std::string_view name) override
    {
        if (m_node->deleted) {
            return std::nullopt;
        }
        const auto found = m_node->ValueNamed(name);
        if (found == m_node->values.end()) {
            return std::nullopt;
        }
        return *found;
    }

    std::unique_ptr<StoreKey> Open(std::string_view path) override
    {
        if (m_node->deleted) {
            return nullptr;
        }
        auto node = m_registry.FindBelow(m_node, path);
        if (!node || (m_honourFaults && m_registry.IsDenied(*node))) {
            return nullptr;
        }
        return std::make_unique<Key>(m_registry, std::move(node), m_honourFaults);
    }

    bool DeleteTree(std::string_view path) override
    {
        if (m_node->deleted || path.empty()) {
            return false;
        }
        const std::size_t slash = path.rfind('\\');
        const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
        const auto parent = slash == std::string_view::npos ? m_node : m_registry.FindBelow(m_node, path.substr(0, slash));
        const auto target = parent ? parent->Child(name) : nullptr;
        if (!target || (m_honourFaults && (m_registry.IsDenied(*target) || !m_registry.MayDeleteTree(*target)))) {
            return false;
        }
        return m_registry.RemoveChild(*parent, name);
    }

private:
    bool Enumerable() const
    {
        return !m_node->deleted && !(m_honourFaults && m_registry.CannotEnumerate(*m_node));
    }

    SimRegistry& m_registry;
    std::shared_ptr<Node> m_node;
    bool m_honourFaults;
};

// The same keys with every injected fault ignored, for looking at the registry from outside.
class SimRegistry::FaultFreeView final : public RegistryStore {
public:
    explicit FaultFreeView(SimRegistry& registry) : m_registry(registry) {}

    using RegistryStore::OpenHive;
    std::unique_ptr<StoreKey> OpenHive(RootHandle root, RegView view) override
    {
        if (view != RegView::Native) {
            return nullptr;
        }
        auto node = m_registry.HiveNode(root);
        return node ? std::make_unique<Key>(m_registry, std::move(node), false) : nullptr;
    }

    std::vector<RegView> Views() const override { return m_registry.Views(); }

private:
    SimRegistry& m_registry;
};

SimRegistry::SimRegistry()
    : m_machine(std::make_shared<Node>(Node{"HKEY_LOCAL_MACHINE", "HKEY_LOCAL_MACHINE", {}, {}, false})),
      m_currentUser(std::make_shared<Node>(Node{"HKEY_CURRENT_USER", "HKEY_CURRENT_USER", {}, {}, false})),
      m_users(std::make_shared<Node>(Node{"HKEY_USERS", "HKEY_USERS", {}, {}, false})),
      m_faultFree(std::make_unique<FaultFreeView>(*this))
{
    CreateKey("HKEY_LOCAL_MACHINE\\" + std::string(kClassesBelowMachine));
}

SimRegistry::~SimRegistry() = default;

std::vector<RegView> SimRegistry::Views() const
{
    return {RegView::Native};
}

std::shared_ptr<SimRegistry::Node> SimRegistry::HiveNode(RootHandle root) const
{
    switch (root) {
    case kHkeyLocalMachine:
        return m_machine;
    case kHkeyCurrentUser:
        return m_currentUser;
    case kHkeyUsers:
        return m_users;
    case kHkeyClassesRoot:
        return FindBelow(m_machine, kClassesBelowMachine);
    default:
        return nullptr;
    }
}

std::unique_ptr<StoreKey> SimRegistry::OpenHive(RootHandle root, RegView view)
{
    if (view != RegView::Native) {
        return nullptr;
    }
    auto node = HiveNode(root);
    if (!node || IsDenied(*node)) {
        return nullptr;
    }
    return std::make_unique<Key>(*this, std::move(node), true);
}

std::shared_ptr<SimRegistry::Node> SimRegistry::FindBelow(const std::shared_ptr<Node>& from, std::string_view below) const
{
    const auto parts = SplitPath(below);
    if (!parts) {
        return nullptr;
    }
    std::shared_ptr<Node> node = from;
    for (const std::string_view part : *parts) {
        node = node->Child(part);
        if (!node) {
            return nullptr;
        }
    }
    return node;
}

std::shared_ptr<SimRegistry::Node> SimRegistry::Find(std::string_view path) const
{
    const auto parsed = ParseKeyPath(path);
    if (!parsed) {
        throw NotAKeyPath(path);
    }
    const auto hive = HiveNode(parsed->root);
    if (!hive || parsed->below.empty()) {
        return hive;
    }
    return FindBelow(hive, parsed->below);
}

std::shared_ptr<SimRegistry::Node> SimRegistry::Create(std::string_view path)
{
    const auto parsed = ParseKeyPath(path);
    if (!parsed) {
        throw NotAKeyPath(path);
    }
    std::shared_ptr<Node> node = HiveNode(parsed->root);
    if (!node) {
        throw NotAKeyPath(path); // HKEY_CLASSES_ROOT after its keys were deleted
    }
    if (parsed->below.empty()) {
        return node;
    }
    const auto parts = SplitPath(parsed->below);
    for (const std::string_view part : *parts) {
        auto child = node->Child(part);
        if (!child) {
            child = std::make_shared<Node>();
            child->name = std::string(part);
            child->canonicalPath = node->canonicalPath + "\\" + ToUpperText(part);
            node->subkeys.emplace(ToUpperText(part), child);
        }
        node = std::move(child);
    }
    return node;
}

bool SimRegistry::RemoveChild(Node& parent, std::string_view name)
{
    const auto found = parent.subkeys.find(ToUpperText(name));
    if (found == parent.subkeys.end()) {
        return false;
    }
    found->second->MarkDeleted();
    parent.subkeys.erase(found);
    return true;
}

bool SimRegistry::IsDenied(const Node& node) const
{
    return m_deniedOpen.contains(node.canonicalPath);
}

bool SimRegistry::CannotEnumerate(const Node& node) const
{
    return m_failEnumeration.contains(node.canonicalPath);
}

bool SimRegistry::MayDeleteTree(const Node& node) const
{
    if (m_failDelete.contains(node.canonicalPath)) {
        return false;
    }
    for (const auto& [upper, child] : node.subkeys) {
        if (!MayDeleteTree(*child)) {
            return false;
        }
    }
    return true;
}

void SimRegistry::CreateKey(std::string_view path)
{
    (void)Create(path);
}

void SimRegistry::SetString(std::string_view path, std::string_view name, std::string_view utf8)
{
    SetRaw(path, RawValue{std::string(name), kRegSz, Utf16ToLeBytes(Utf8ToUtf16(utf8) + u'\0')});
}

void SimRegistry::SetExpandString(std::string_view path, std::string_view name, std::string_view utf8)
{
    SetRaw(path, RawValue{std::string(name), kRegExpandSz, Utf16ToLeBytes(Utf8ToUtf16(utf8) + u'\0')});
}

void SimRegistry::SetMultiString(std::string_view path, std::string_view name, const std::vector<std::string>& utf8)
{
    std::u16string list;
    for (const std::string& text : utf8) {
        list += Utf8ToUtf16(text) + u'\0';
    }
    SetRaw(path, RawValue{std::string(name), kRegMultiSz, Utf16ToLeBytes(list + u'\0')});
}

void SimRegistry::SetDword(std::string_view path, std::string_view name, std::uint32_t number)
{
    std::string data;
    for (int shift = 0; shift < 32; shift += 8) {
        data.push_back(static_cast<char>((number >> shift) & 0xFF));
    }
    SetRaw(path, RawValue{std::string(name), kRegDword, data});
}

void SimRegistry::SetBinary(std::string_view path, std::string_view name, std::string_view bytes)
{
    SetRaw(path, RawValue{std::string(name), kRegBinary, std::string(bytes)});
}

void SimRegistry::SetRaw(std::string_view path, const RawValue& value)
{
    const auto node = Create(path);
    const auto found = node->ValueNamed(value.name);
    if (found == node->values.end()) {
        node->values.push_back(value);
    } else {
        // The value keeps its place and the spelling of its name, as RegSetValueEx leaves them.
        found->type = value.type;
        found->data = value.data;
    }
}

bool SimRegistry::DeleteValue(std::string_view path, std::string_view name)
{
    const auto node = Find(path);
    if (!node) {
        return false;
    }
    const auto found = node->ValueNamed(name);
    if (found == node->values.end()) {
        return false;
    }
    node->values.erase(found);
    return true;
}

bool SimRegistry::DeleteKey(std::string_view path)
{
    const auto parsed = ParseKeyPath(path);
    if (!parsed) {
        throw NotAKeyPath(path);
    }
    const auto hive = HiveNode(parsed->root);
    if (!hive || parsed->below.empty()) {
        return false; // a hive is never deleted
    }
    const std::size_t slash = parsed->below.rfind('\\');
    const std::string_view below = parsed->below;
    const auto parent = slash == std::string_view::npos ? hive : FindBelow(hive, below.substr(0, slash));
    return parent && RemoveChild(*parent, slash == std::string_view::npos ? below : below.substr(slash + 1));
}

bool SimRegistry::KeyExists(std::string_view path) const
{
    return Find(path) != nullptr;
}

std::optional<RawValue> SimRegistry::GetRaw(std::string_view path, std::string_view name) const
{
    const auto node = Find(path);
    if (!node) {
        return std::nullopt;
    }
    const auto found = node->ValueNamed(name);
    if (found == node->values.end()) {
        return std::nullopt;
    }
    return *found;
}

bool SimRegistry::IsKeyPath(std::string_view path)
{
    return ParseKeyPath(path).has_value();
}

void SimRegistry::LoadRegText(std::string_view utf8Text)
{
    const RegImport result = ImportRegText(*this, utf8Text, HexStrings::ByHeader, false);
    if (!result.recognised) {
        throw std::invalid_argument("not a registry file: the first line names no version");
    }
    if (!result.rejected.empty()) {
        throw std::invalid_argument("not valid registry-file text: " + result.rejected.front());
    }
}

namespace {

// The canonical form under which faults are kept: upper case, class keys below the machine.
std::string CanonicalPath(std::string_view path)
{
    const auto parsed = ParseKeyPath(path);
    if (!parsed) {
        throw NotAKeyPath(path);
    }
    std::string canonical = parsed->root == kHkeyClassesRoot
                                ? "HKEY_LOCAL_MACHINE\\" + std::string(kClassesBelowMachine)
                                : std::string(HiveNameOf(parsed->root));
    if (!parsed->below.empty()) {
        canonical += "\\" + parsed->below;
    }
    return ToUpperText(canonical);
}

} // namespace

void SimRegistry::DenyOpen(std::string_view path)
{
    m_deniedOpen.insert(CanonicalPath(path));
}

void SimRegistry::FailEnumeration(std::string_view path)
{
    m_failEnumeration.insert(CanonicalPath(path));
}

void SimRegistry::FailDelete(std::string_view path)
{
    m_failDelete.insert(CanonicalPath(path));
}

std::string SimRegistry::Dump()
{
    std::string dump;
    for (const std::string_view hive : {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_USERS"}) {
        std::string text = *ExportKeyText(*m_faultFree, hive, ExportFormat::Version5);
        // One header for the whole dump.
        dump += dump.empty() ? text : text.substr(text.find("\r\n") + 2);
    }
    return dump;
}

} // namespace hivetidy::sim
