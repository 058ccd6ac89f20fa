#include "files/RealKey.h"

#include "shared/Failure.h"
#include "shared/Hives.h"
#include "shared/Text.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace hivetidy {

namespace {

// Where HKEY_CURRENT_USER keeps the user's own classes, which HKEY_CLASSES_ROOT shows first.
constexpr std::string_view kUsersClassesPrefix = "Software\\Classes\\";

} // namespace

RealKey::RealKey(RegistryComponentFactory& components) : m_components(components) {}

RegLocation RealKey::NativeLocationOf(const RegLocation& location)
{
    if (location.view == RegView::Native) {
        return location;
    }
    // A key of the 32-bit view is either its own key below WOW6432Node or the very key of the
    // native view that both views share. Which keys are shared differs between Windows versions
    // (and Wine, which links them), so it is asked of the registry: the native name that reaches
    // the same key is the one. A key that neither name reaches is never touched.
    auto own = m_components.Create();
    own->OpenKey(location.hive, TaggedValue::Text(location.path), location.view);
    const std::string identity = own->Identity();

    // The plain name first: where a link makes the WOW6432Node name reach the shared key too, the
    // key keeps its one plain name.
    std::vector<RegLocation> candidates{RegLocation{location.hive, RegView::Native, location.path}};
    if (auto redirected = RedirectedLocation(location)) {
        candidates.push_back(std::move(*redirected));
    }
    auto probe = m_components.Create();
    for (const RegLocation& candidate : candidates) {
        if (SkipOnFailure([&] { probe->OpenKey(candidate.hive, TaggedValue::Text(candidate.path), RegView::Native); }) &&
            probe->Identity() == identity) {
            return candidate;
        }
    }
    throw Failure("the 32-bit view's key has no native name");
}

RegLocation RealKey::KeyBehind(const RegLocation& location)
{
    RegLocation native = NativeLocationOf(location);
    if (native.hive != kHkeyClassesRoot) {
        return native;
    }
    // HKEY_CLASSES_ROOT shows the user's classes over the machine's, and a key removed or saved by
    // that name would come back machine-wide. Which of the two the name reaches is asked of the
    // registry by the key's own name, as for the two views (Wine does not merge them at all).
    auto shown = m_components.Create();
    shown->OpenKey(native.hive, TaggedValue::Text(native.path), RegView::Native);
    const std::string identity = shown->Identity();
    RegLocation users{kHkeyCurrentUser, RegView::Native, std::string(kUsersClassesPrefix) + native.path};
    auto probe = m_components.Create();
    if (SkipOnFailure([&] { probe->OpenKey(users.hive, TaggedValue::Text(users.path), RegView::Native); }) &&
        probe->Identity() == identity) {
        return users;
    }
    // The machine's key keeps its HKEY_CLASSES_ROOT name, as the editor and every log have it.
    return native;
}

std::string RealKey::IdentityOf(const RegLocation& key)
{
    std::string identity;
    SkipOnFailure([&] {
        auto probe = m_components.Create();
        probe->OpenKey(key.hive, TaggedValue::Text(key.path), key.view);
        identity = ToUpperText(probe->Identity());
    });
    return identity;
}

std::optional<std::string> RealKey::ListedIdentity(const RegLocation& location)
{
    const auto slash = location.path.rfind('\\');
    const std::string parent = slash == std::string::npos ? std::string() : location.path.substr(0, slash);
    const std::string name = slash == std::string::npos ? location.path : location.path.substr(slash + 1);
    std::optional<std::string> identity;
    SkipOnFailure([&] {
        auto probe = m_components.Create();
        if (parent.empty()) {
            probe->OpenKey(kBindToHive, TaggedValue::Whole(static_cast<std::int32_t>(location.hive)), location.view);
        } else {
            probe->OpenKey(location.hive, TaggedValue::Text(parent), location.view);
        }
        const std::vector<std::string> names = probe->SubkeyNames();
        if (std::any_of(names.begin(), names.end(), [&](const std::string& each) { return EqualsIgnoreCase(each, name); })) {
            // The name the key would have itself: its parent's, which can be opened, and its own;
            // its name in the log where even the parent's cannot be told.
            identity = ToUpperText(NameForLog(location));
            SkipOnFailure([&] { identity = ToUpperText(probe->Identity() + "\\" + name); });
        }
    });
    return identity;
}

std::optional<std::vector<LiveKey>> RealKey::ReadLiveKey(const RegLocation& location)
{
    // The key as the registry holds it, path by path: what its export must hold, no more. Read
    // strictly: a subkey or value that cannot be read would be missing from the export as well,
    // and the check would pass while the delete took it with no copy.
    std::optional<std::vector<LiveKey>> live;
    SkipOnFailure([&] {
        auto key = m_components.Create();
        key->OpenKey(location.hive, TaggedValue::Text(location.path), location.view);
        live = key->ReadTree();
    });
    return live;
}

} // namespace hivetidy
