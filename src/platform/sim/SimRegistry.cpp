#include "platform/sim/SimRegistry.h"

#include "shared/Text.h"

#include <algorithm>
#include <array>
#include <map>
#include <stdexcept>
#include <utility>

namespace hivetidy::sim {

namespace {

constexpr std::string_view kClassesBelowMachine = "SOFTWARE\\Classes";
constexpr std::string_view kClassesBelowUser = "Software\\Classes";

std::invalid_argument NotAKeyPath(std::string_view path)
{
    return std::invalid_argument("not a key path: " + std::string(path));
}

} // namespace


struct SimRegistry::Node {
    std::string name;
    std::string canonicalPath; // the native full path, upper case
    std::vector<RawValue> values;
    // Keyed by the upper-case name, which is also the order in which Windows enumerates subkeys.
    std::map<std::string, std::shared_ptr<Node>> subkeys;
    std::weak_ptr<Node> parent; // empty for a hive
    bool deleted = false;
    // For a registry link, the hive and the path below it of the key it leads to; empty otherwise.
    std::weak_ptr<Node> linkHive;
    std::string linkBelow;

    [[nodiscard]] bool IsLink() const { return !linkBelow.empty(); }

    // The key a name below reaches: through a link, the key the link leads to.
    std::shared_ptr<Node> Child(std::string_view childName) const { return ChildByUpperName(ToUpperText(childName)); }

    std::shared_ptr<Node> ChildByUpperName(const std::string& upperName) const { return Followed(Entry(upperName)); }

    // The subkey entry itself, a link as the link.
    std::shared_ptr<Node> Entry(const std::string& upperName) const
    {
        const auto found = subkeys.find(upperName);
        return found == subkeys.end() ? nullptr : found->second;
    }

    // What an entry leads to: for a link the key at its target, looked up afresh by plain names
    // (so that a target deleted and made again is found, and no chain of links can loop), nullptr
    // when it is not there; any other entry itself.
    static std::shared_ptr<Node> Followed(std::shared_ptr<Node> entry)
    {
        if (!entry || !entry->IsLink()) {
            return entry;
        }
        std::shared_ptr<Node> node = entry->deleted ? nullptr : entry->linkHive.lock();
        const auto parts = SplitKeyPath(entry->linkBelow);
        for (const std::string_view part : *parts) {
            node = node ? node->Entry(ToUpperText(part)) : nullptr;
            if (node && node->IsLink()) {
                return nullptr;
            }
        }
        return node;
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

    // The hive's name and the names down to this node, as they are spelt.
    std::string FullName() const
    {
        const auto above = parent.lock();
        return above ? above->FullName() + "\\" + name : name;
    }

    // The node itself, or nullptr for none or one that was deleted.
    static std::shared_ptr<Node> Live(std::shared_ptr<Node> node)
    {
        return node && !node->deleted ? std::move(node) : nullptr;
    }

    static std::shared_ptr<Node> Hive(std::string_view hiveName)
    {
        auto hive = std::make_shared<Node>();
        hive->name = std::string(hiveName);
        hive->canonicalPath = std::string(hiveName);
        return hive;
    }

    void MarkDeleted()
    {
        deleted = true;
        for (auto& [upper, child] : subkeys) {
            child->MarkDeleted();
        }
    }
};

namespace {

// The keys below which the 32-bit view keeps its own copies in a WOW6432Node child.
enum class Junction {
    None,
    Software, // HKEY_LOCAL_MACHINE\SOFTWARE: everything but Classes is redirected
    Classes,  // a Software\Classes key, and HKEY_CLASSES_ROOT: the COM keys are redirected
};

// The class keys of Windows 7 and later that each view has its own copy of; all others are shared.
constexpr std::array<std::string_view, 5> kRedirectedClassKeys{"CLSID", "DirectShow", "Interface", "Media Type",
                                                               "MediaFoundation"};

// Where a key stands below its hive, as far as the views' junctions go: how deep, and whether the
// first two names are SOFTWARE and Classes (in any case).
struct Depth {
    std::size_t levels = 0;
    bool softwareFirst = false;
    bool classesSecond = false;

    [[nodiscard]] Depth Below(std::string_view name) const
    {
        Depth below = *this;
        if (levels == 0) {
            below.softwareFirst = EqualsIgnoreCase(name, "SOFTWARE");
        } else if (levels == 1) {
            below.classesSecond = EqualsIgnoreCase(name, "Classes");
        }
        ++below.levels;
        return below;
    }
};

Junction JunctionAt(RootHandle root, const Depth& path)
{
    const bool softwareClasses = path.levels == 2 && path.softwareFirst && path.classesSecond;
    switch (root) {
    case kHkeyClassesRoot:
        return path.levels == 0 ? Junction::Classes : Junction::None;
    case kHkeyLocalMachine:
        if (path.levels == 1 && path.softwareFirst) {
            return Junction::Software;
        }
        return softwareClasses ? Junction::Classes : Junction::None;
    case kHkeyCurrentUser:
        return softwareClasses ? Junction::Classes : Junction::None;
    default:
        return Junction::None; // the user hives are shared by both views
    }
}

bool IsRedirectedBelow(Junction junction, std::string_view name)
{
    if (EqualsIgnoreCase(name, kWow64Node)) {
        return false; // a path that names WOW6432Node already is taken as it stands
    }
    switch (junction) {
    case Junction::Software:
        return !EqualsIgnoreCase(name, "Classes");
    case Junction::Classes:
        return std::any_of(kRedirectedClassKeys.begin(), kRedirectedClassKeys.end(),
                           [&](std::string_view redirected) { return EqualsIgnoreCase(name, redirected); });
    case Junction::None:
        break;
    }
    return false;
}

} // namespace

// A key as a view shows it. The nodes are the native keys behind it, one slot per source: for
// HKEY_CLASSES_ROOT the user's classes first and the machine's after, elsewhere just one; a slot
// is nullptr where that source has no such key. The first live node is the one whose values show.
struct SimRegistry::Place {
    RootHandle root = kNoRoot;
    RegView view = RegView::Native;
    Depth path; // below the hive, as the view names it
    std::vector<std::shared_ptr<Node>> nodes;

    [[nodiscard]] std::shared_ptr<Node> Shown() const
    {
        for (const auto& node : nodes) {
            if (auto live = Node::Live(node)) {
                return live;
            }
        }
        return nullptr;
    }

    [[nodiscard]] bool Exists() const { return Shown() != nullptr; }

    [[nodiscard]] std::vector<std::shared_ptr<Node>> LiveNodes() const
    {
        std::vector<std::shared_ptr<Node>> live;
        for (const auto& node : nodes) {
            if (auto alive = Node::Live(node)) {
                live.push_back(std::move(alive));
            }
        }
        return live;
    }

    // Where this key's subkeys come from in this view: its own nodes, and at a junction of the
    // 32-bit view their WOW6432Node children as well.
    [[nodiscard]] std::vector<std::shared_ptr<Node>> ListedNodes() const
    {
        std::vector<std::shared_ptr<Node>> listed = LiveNodes();
        if (IsJunction()) {
            for (const auto& node : LiveNodes()) {
                if (auto wow = Node::Live(node->Child(kWow64Node))) {
                    listed.push_back(std::move(wow));
                }
            }
        }
        return listed;
    }

    [[nodiscard]] bool IsJunction() const { return view == RegView::Wow32 && JunctionAt(root, path) != Junction::None; }

    // The subkey entry one name below in the source that shows it, a link as the link itself;
    // nullptr when none has it.
    [[nodiscard]] std::shared_ptr<Node> EntryBelow(std::string_view name) const
    {
        const std::string upper = ToUpperText(name);
        return FirstBelow(JunctionAt(root, path), name, [&](const Node& from) { return from.Entry(upper); });
    }

    // The key one name below, as the view maps it; its slots stay aligned with these.
    [[nodiscard]] Place Below(std::string_view name) const
    {
        const bool redirected = view == RegView::Wow32 && IsRedirectedBelow(JunctionAt(root, path), name);
        const std::string upper = ToUpperText(name);
        Place below{root, view, {}, {}};
        below.path = path.Below(name);
        below.nodes.reserve(nodes.size());
        for (const auto& node : nodes) {
            auto from = Node::Live(node);
            if (from && redirected) {
                from = Node::Live(from->Child(kWow64Node));
            }
            below.nodes.push_back(from ? Node::Live(from->ChildByUpperName(upper)) : nullptr);
        }
        return below;
    }

    // The key at a relative path; nullopt when a component is empty.
    [[nodiscard]] std::optional<Place> At(std::string_view relative) const
    {
        const auto parts = SplitKeyPath(relative);
        if (!parts) {
            return std::nullopt;
        }
        Place place = *this;
        for (const std::string_view part : *parts) {
            place = place.Below(part);
        }
        return place;
    }

    // The subkeys this view shows, in the registry's order and as the shown keys spell them.
    [[nodiscard]] std::vector<std::string> SubkeyNames() const
    {
        const bool junction = IsJunction();
        if (!junction) {
            // One key of one source, as everywhere but in the merged classes: its own subkeys.
            const auto live = LiveNodes();
            if (live.size() == 1) {
                std::vector<std::string> list;
                list.reserve(live.front()->subkeys.size());
                for (const auto& [upper, child] : live.front()->subkeys) {
                    if (!child->deleted) {
                        list.push_back(child->name);
                    }
                }
                return list;
            }
        }
        std::map<std::string, std::string> names; // by upper-case name, which sorts them too
        const Junction here = view == RegView::Wow32 ? JunctionAt(root, path) : Junction::None;
        for (const auto& node : ListedNodes()) {
            for (const auto& [upper, child] : node->subkeys) {
                // The 32-bit view never shows its own hiding place.
                if ((junction && EqualsIgnoreCase(upper, kWow64Node)) || names.contains(upper)) {
                    continue;
                }
                if (const auto shown = ShownBelow(here, child->name, upper)) {
                    names.emplace(upper, shown->name);
                }
            }
        }
        std::vector<std::string> list;
        list.reserve(names.size());
        for (auto& [upper, name] : names) {
            list.push_back(std::move(name));
        }
        return list;
    }

private:
    // The key whose values show one name below, as Below(name).Shown(), without making the place.
    [[nodiscard]] std::shared_ptr<Node> ShownBelow(Junction here, std::string_view name, const std::string& upper) const
    {
        return FirstBelow(here, name, [&](const Node& from) { return from.ChildByUpperName(upper); });
    }

    // The first live node that lookup finds one name below this key's nodes, in their order,
    // below each node's WOW6432Node child where the view redirects the name.
    template <class Lookup>
    [[nodiscard]] std::shared_ptr<Node> FirstBelow(Junction here, std::string_view name, Lookup&& lookup) const
    {
        const bool redirected = view == RegView::Wow32 && IsRedirectedBelow(here, name);
        for (const auto& node : nodes) {
            auto from = Node::Live(node);
            if (from && redirected) {
                from = Node::Live(from->Child(kWow64Node));
            }
            if (auto found = from ? Node::Live(lookup(*from)) : nullptr) {
                return found;
            }
        }
        return nullptr;
    }
};

// An open key. It holds its nodes, so a key deleted meanwhile stays in memory and only reports
// that it is gone.
class SimRegistry::Key final : public StoreKey {
public:
    Key(SimRegistry& registry, Place place, bool honourFaults)
        : m_registry(registry), m_place(std::move(place)), m_honourFaults(honourFaults)
    {
    }

    std::optional<std::vector<std::string>> SubkeyNames() override
    {
        if (!Enumerable()) {
            return std::nullopt;
        }
        return m_place.SubkeyNames();
    }

    std::optional<std::vector<RawValue>> Values() override
    {
        if (!Enumerable()) {
            return std::nullopt;
        }
        return m_place.Shown()->values;
    }

    std::optional<RawValue> Value(std::string_view name) override
    {
        const auto node = m_place.Shown();
        if (!node) {
            return std::nullopt;
        }
        const auto found = node->ValueNamed(name);
        if (found == node->values.end()) {
            return std::nullopt;
        }
        return *found;
    }

    std::unique_ptr<StoreKey> Open(std::string_view path) override
    {
        if (!m_place.Exists()) {
            return nullptr;
        }
        return OpenPlace(m_place.At(path));
    }

    // A walk's one step down: one name, so no path to take apart, and never into a link.
    std::unique_ptr<StoreKey> OpenSubkey(std::string_view name) override
    {
        if (name.empty() || name.find('\\') != std::string_view::npos || !m_place.Exists()) {
            return nullptr;
        }
        if (const auto entry = m_place.EntryBelow(name); entry && entry->IsLink()) {
            return nullptr;
        }
        return OpenPlace(m_place.Below(name));
    }

    // The native full name of the key whose values show, however it was reached. A hive, like a
    // predefined root handle, has none.
    std::optional<std::string> Identity() override
    {
        const auto node = m_place.Shown();
        if (!node || m_place.path.levels == 0) {
            return std::nullopt;
        }
        return node->FullName();
    }

    // Through HKEY_CLASSES_ROOT the user's key goes first: the machine's one then shows again. A
    // link named by the path's last component goes itself; links on the way to it are followed.
    bool DeleteTree(std::string_view path) override
    {
        if (!m_place.Exists() || path.empty()) {
            return false;
        }
        const std::size_t slash = path.rfind('\\');
        const auto above = slash == std::string_view::npos ? std::optional<Place>(m_place) : m_place.At(path.substr(0, slash));
        if (const auto entry = above ? above->EntryBelow(path.substr(slash + 1)) : nullptr; entry && entry->IsLink()) {
            return Unlink(entry);
        }
        const auto place = m_place.At(path);
        const auto target = place ? place->Shown() : nullptr;
        if (!target || (m_honourFaults && (m_registry.IsDenied(*target) || !m_registry.MayDeleteTree(*target)))) {
            return false;
        }
        if (m_honourFaults && m_registry.HoldsUndeletable(*target)) {
            m_registry.DeleteAllBut(*target);
            return false;
        }
        return Unlink(target);
    }

private:
    std::unique_ptr<StoreKey> OpenPlace(std::optional<Place> place)
    {
        if (!place || !place->Exists() || (m_honourFaults && m_registry.AnyDenied(*place))) {
            return nullptr;
        }
        return std::make_unique<Key>(m_registry, std::move(*place), m_honourFaults);
    }

    bool Enumerable() const
    {
        if (!m_place.Exists()) {
            return false;
        }
        if (!m_honourFaults || m_registry.m_failEnumeration.empty()) {
            return true;
        }
        const auto listed = m_place.ListedNodes();
        return !(m_honourFaults && std::any_of(listed.begin(), listed.end(), [&](const auto& node) {
                     return m_registry.CannotEnumerate(*node);
                 }));
    }

    SimRegistry& m_registry;
    Place m_place;
    bool m_honourFaults;
};

// The same keys with every injected fault ignored, for looking at the registry from outside.
class SimRegistry::FaultFreeView final : public RegistryStore {
public:
    explicit FaultFreeView(SimRegistry& registry) : m_registry(registry) {}

    using RegistryStore::OpenHive;
    std::unique_ptr<StoreKey> OpenHive(RootHandle root, RegView view) override
    {
        return m_registry.OpenHiveKey(root, view, false);
    }

    std::vector<RegView> Views() const override { return m_registry.Views(); }

private:
    SimRegistry& m_registry;
};

SimRegistry::SimRegistry(SimMachine machine)
    : m_kind(machine),
      m_machine(Node::Hive("HKEY_LOCAL_MACHINE")),
      m_currentUser(Node::Hive("HKEY_CURRENT_USER")),
      m_users(Node::Hive("HKEY_USERS")),
      m_faultFree(std::make_unique<FaultFreeView>(*this))
{
    CreateKey("HKEY_LOCAL_MACHINE\\" + std::string(kClassesBelowMachine));
}

SimRegistry::~SimRegistry() = default;

std::vector<RegView> SimRegistry::Views() const
{
    if (m_kind == SimMachine::Windows64) {
        return {RegView::Native, RegView::Wow32};
    }
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
    default:
        return nullptr;
    }
}

SimRegistry::Place SimRegistry::HivePlace(RootHandle root, RegView view) const
{
    if (root == kHkeyClassesRoot) {
        return Place{root, view, {},
                     {FindBelow(m_currentUser, kClassesBelowUser), FindBelow(m_machine, kClassesBelowMachine)}};
    }
    return Place{root, view, {}, {HiveNode(root)}};
}

std::unique_ptr<StoreKey> SimRegistry::OpenHiveKey(RootHandle root, RegView view, bool honourFaults)
{
    if (view == RegView::Wow32 && m_kind != SimMachine::Windows64) {
        return nullptr;
    }
    Place place = HivePlace(root, view);
    if (!place.Exists() || (honourFaults && AnyDenied(place))) {
        return nullptr;
    }
    return std::make_unique<Key>(*this, std::move(place), honourFaults);
}

std::unique_ptr<StoreKey> SimRegistry::OpenHive(RootHandle root, RegView view)
{
    return OpenHiveKey(root, view, true);
}

std::shared_ptr<SimRegistry::Node> SimRegistry::FindBelow(const std::shared_ptr<Node>& from, std::string_view below)
{
    const auto parts = SplitKeyPath(below);
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

SimRegistry::Place SimRegistry::Find(std::string_view path) const
{
    const auto parsed = ParseKeyPath(path);
    if (!parsed) {
        throw NotAKeyPath(path);
    }
    const Place hive = HivePlace(parsed->root, RegView::Native);
    return parsed->below.empty() ? hive : *hive.At(parsed->below);
}

std::string SimRegistry::WriteTarget(std::string_view path) const
{
    const auto parsed = ParseKeyPath(path);
    if (!parsed) {
        throw NotAKeyPath(path);
    }
    const std::string below = parsed->below.empty() ? "" : "\\" + parsed->below;
    if (parsed->root != kHkeyClassesRoot) {
        return std::string(HiveNameOf(parsed->root)) + below;
    }
    // As Windows writes through HKEY_CLASSES_ROOT: into the user's key when there is one.
    const std::string user = std::string(kClassesBelowUser) + below;
    if (FindBelow(m_currentUser, user)) {
        return "HKEY_CURRENT_USER\\" + user;
    }
    return "HKEY_LOCAL_MACHINE\\" + std::string(kClassesBelowMachine) + below;
}

std::shared_ptr<SimRegistry::Node> SimRegistry::Create(std::string_view path)
{
    const auto parsed = ParseKeyPath(WriteTarget(path));
    const std::shared_ptr<Node> hive = HiveNode(parsed->root);
    return parsed->below.empty() ? hive : MakeBelow(hive, parsed->below, true);
}

std::shared_ptr<SimRegistry::Node> SimRegistry::MakeBelow(std::shared_ptr<Node> node, std::string_view below, bool throughLinks)
{
    const auto parts = SplitKeyPath(below);
    for (const std::string_view part : *parts) {
        auto child = node->Entry(ToUpperText(part));
        if (child && child->IsLink()) {
            if (!throughLinks) {
                throw std::invalid_argument("a link's target passes through a link: " + std::string(below));
            }
            // Written through, as Windows writes through a link: into its target, made where missing.
            child = MakeBelow(child->linkHive.lock(), child->linkBelow, false);
        } else if (!child) {
            child = std::make_shared<Node>();
            child->name = std::string(part);
            child->canonicalPath = node->canonicalPath + "\\" + ToUpperText(part);
            child->parent = node;
            node->subkeys.emplace(ToUpperText(part), child);
        }
        node = std::move(child);
    }
    return node;
}

bool SimRegistry::Unlink(const std::shared_ptr<Node>& node)
{
    const auto parent = node->parent.lock();
    if (!parent || node->deleted) {
        return false; // a hive is never deleted
    }
    parent->subkeys.erase(ToUpperText(node->name));
    node->MarkDeleted();
    return true;
}

bool SimRegistry::IsDenied(const Node& node) const
{
    return m_deniedOpen.contains(node.canonicalPath);
}

bool SimRegistry::AnyDenied(const Place& place) const
{
    if (m_deniedOpen.empty()) {
        return false;
    }
    const auto live = place.LiveNodes();
    return std::any_of(live.begin(), live.end(), [&](const auto& node) { return IsDenied(*node); });
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

std::shared_ptr<SimRegistry::Node> SimRegistry::Written(std::string_view path) const
{
    const auto parsed = ParseKeyPath(WriteTarget(path));
    const auto hive = HiveNode(parsed->root);
    return parsed->below.empty() ? hive : FindBelow(hive, parsed->below);
}

bool SimRegistry::DeleteValue(std::string_view path, std::string_view name)
{
    const auto node = Written(path);
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
    const auto node = Written(path);
    return node && Unlink(node);
}

bool SimRegistry::KeyExists(std::string_view path) const
{
    return Find(path).Exists();
}

std::optional<RawValue> SimRegistry::GetRaw(std::string_view path, std::string_view name) const
{
    const auto node = Find(path).Shown();
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

void SimRegistry::AddLink(std::string_view path, std::string_view target)
{
    const auto linkPath = ParseKeyPath(WriteTarget(path));
    const auto targetPath = ParseKeyPath(WriteTarget(target));
    if (linkPath->below.empty() || targetPath->below.empty()) {
        throw NotAKeyPath(linkPath->below.empty() ? path : target);
    }
    const std::size_t slash = linkPath->below.rfind('\\');
    std::string parentPath = linkPath->hiveName;
    if (slash != std::string::npos) {
        parentPath.append("\\").append(linkPath->below, 0, slash);
    }
    const std::string name = linkPath->below.substr(slash == std::string::npos ? 0 : slash + 1);
    const auto parent = Create(parentPath);
    (void)MakeBelow(HiveNode(targetPath->root), targetPath->below, false);
    auto link = std::make_shared<Node>();
    link->name = name;
    link->canonicalPath = parent->canonicalPath + "\\" + ToUpperText(name);
    link->parent = parent;
    link->linkHive = HiveNode(targetPath->root);
    link->linkBelow = targetPath->below;
    // Checked after the target is made: a target at or below the link's own name takes it.
    if (!parent->subkeys.emplace(ToUpperText(name), std::move(link)).second) {
        throw std::invalid_argument("the name of the link is taken: " + std::string(path));
    }
}

std::string SimRegistry::CanonicalPath(std::string_view path) const
{
    // Through a link, the key it leads to.
    if (const auto node = Written(path)) {
        return node->canonicalPath;
    }
    return ToUpperText(WriteTarget(path));
}

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

void SimRegistry::FailDeletePartWay(std::string_view path)
{
    m_undeletable.insert(CanonicalPath(path));
}

bool SimRegistry::HoldsUndeletable(const Node& node) const
{
    if (m_undeletable.contains(node.canonicalPath)) {
        return true;
    }
    return std::any_of(node.subkeys.begin(), node.subkeys.end(),
                       [&](const auto& entry) { return HoldsUndeletable(*entry.second); });
}

void SimRegistry::DeleteAllBut(Node& node)
{
    // What can go goes, subtree by subtree, as a delete that meets one key it may not delete
    // does: that key and the keys above it stay behind.
    std::vector<std::shared_ptr<Node>> children;
    for (const auto& [upper, child] : node.subkeys) {
        children.push_back(child);
    }
    for (const auto& child : children) {
        if (HoldsUndeletable(*child)) {
            DeleteAllBut(*child);
        } else {
            (void)Unlink(child);
        }
    }
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
