#include "passes/RemovalScope.h"

#include "files/UserHives.h"
#include "passes/MakerKeys.h"
#include "shared/Failure.h"
#include "shared/Hives.h"
#include "shared/Text.h"

#include <algorithm>
#include <array>
#include <utility>

namespace hivetidy {

namespace {

// Every place below which the run removes keys; nothing else is ever deleted.
constexpr std::array<std::pair<std::string_view, std::string_view>, 7> kRemovalPrefixes{{
    {kClassesRoot, ""},
    {kLocalMachine, kMachineClassesPrefix},
    {kClassesRoot, kClsidPrefix},
    {kLocalMachine, kMachineClsidPrefix},
    {kClassesRoot, kTypeLibPrefix},
    {kLocalMachine, kMachineTypeLibPrefix},
    {kLocalMachine, kAppPathsPrefix},
}};

// One key's name, never a path: not empty and without a backslash.
bool IsSingleKeyName(std::string_view name)
{
    return !name.empty() && name.find('\\') == std::string_view::npos;
}

} // namespace

RemovalScope::RemovalScope(RunComponent& registry, RealKey& realKey, KeyClaims& claims, KeyRemoval& removal,
                           const bool& preview, const UserHives& loaded, Account account)
    : m_registry(registry),
      m_realKey(realKey),
      m_claims(claims),
      m_removal(removal),
      m_preview(preview),
      m_loaded(loaded),
      m_account(std::move(account))
{
}

void RemovalScope::RemoveBelow(RegView view, std::string_view hiveName, std::string_view keyPrefix, std::string_view keyName,
                               const Guard& guard, const Guard& usersGuard)
{
    const bool fixedPrefix = std::any_of(kRemovalPrefixes.begin(), kRemovalPrefixes.end(), [&](const auto& place) {
        return place.first == hiveName && place.second == keyPrefix;
    });
    if (!fixedPrefix || !IsSingleKeyName(keyName)) {
        return;
    }
    TakeUp(RegLocation{RootHandleOf(hiveName), view, std::string(keyPrefix) + std::string(keyName)}, guard, usersGuard);
}

void RemovalScope::RemoveBelowUser(std::string_view classesHive, std::string_view keyPrefix, std::string_view keyName,
                                   const Guard& guard)
{
    const bool fixedPrefix = keyPrefix.empty() || keyPrefix == kClsidPrefix || keyPrefix == kTypeLibPrefix;
    if (!fixedPrefix || !IsClassesHiveName(classesHive) || !IsSingleKeyName(keyName)) {
        return;
    }
    TakeUp(RegLocation{kHkeyUsers, RegView::Native, std::string(classesHive) + "\\" + std::string(keyPrefix) + std::string(keyName)},
           guard, {});
}

void RemovalScope::TakeUp(const RegLocation& location, const Guard& guard, const Guard& usersGuard)
{
    if (!SkipOnFailure([&] { m_registry().OpenKey(location.hive, TaggedValue::Text(location.path), location.view); })) {
        return; // not there: nothing to account for
    }
    // Guards, export, delete and log all take the key it really is.
    std::optional<RegLocation> key;
    SkipOnFailure([&] { key = m_realKey.KeyBehind(location); });
    if (!key) {
        m_account(KeyOutcome::Stay(NameForLog(location), StayReason::NoEditorName));
        return;
    }
    // The two halves of a pair are one key where HKEY_CLASSES_ROOT shows the machine's: one that
    // the first half removed only in part, or kept, is not taken up again under its other name.
    const std::string identity = m_realKey.IdentityOf(*key);
    if (!identity.empty() && !m_keysTakenUp.insert(identity).second) {
        return;
    }
    if (!StaysInItsHive(*key)) {
        m_account(KeyOutcome::Stay(EditorName(*key), StayReason::LeadsOutOfHive));
        return;
    }
    const bool usersOwn = location.hive == kHkeyClassesRoot && key->hive == kHkeyCurrentUser;
    for (const Guard* check : {&guard, usersOwn ? &usersGuard : nullptr}) {
        if (check == nullptr || !*check) {
            continue;
        }
        switch ((*check)(*key)) {
        case KeyClaim::Controllers:
            break;
        case KeyClaim::Foreign:
            return;
        case KeyClaim::Shared:
            m_account(KeyOutcome::Stay(EditorName(*key), StayReason::SharedWithOtherSoftware));
            return;
        case KeyClaim::Unreadable:
            m_account(KeyOutcome::Stay(EditorName(*key), StayReason::KeyUnreadable));
            return;
        }
    }
    m_account(m_removal.ExportAndDeleteKey(*key, m_preview));
}

RemovalScope::Guard RemovalScope::RefersToController()
{
    return [this](const RegLocation& at) { return m_claims.RefersToControllerDir(at) ? KeyClaim::Controllers : KeyClaim::Foreign; };
}

RemovalScope::Guard RemovalScope::ControllersLibrary()
{
    return [this](const RegLocation& at) { return m_claims.TypeLibClaim(at); };
}

void RemovalScope::RemoveMakerKey(std::string_view hiveName, RegView view, std::string_view userHive)
{
    const RootHandle hive = RootHandleOf(hiveName);
    if (hive == kHkeyUsers && IsSingleKeyName(userHive)) {
        if (IsClassesHiveName(userHive)) {
            for (const std::string_view store : {kMakerKeyVirtualStore, kMakerKeyVirtualStore32}) {
                RemoveMakerKeyAt(RegLocation{hive, view, std::string(userHive) + "\\" + std::string(store)});
            }
        } else {
            RemoveMakerKeyAt(RegLocation{hive, view, std::string(userHive) + "\\" + std::string(kMakerKeyUser)});
        }
    } else if (hive == kHkeyCurrentUser) {
        RemoveMakerKeyAt(RegLocation{hive, view, std::string(kMakerKeyUser)});
    } else if (hive == kHkeyLocalMachine) {
        RemoveMakerKeyAt(RegLocation{hive, view, std::string(kMakerKeyMachine)});
    }
}

void RemovalScope::RemoveMakerKeyAt(const RegLocation& location)
{
    // A key that is there but cannot be opened is no key that is not there: it stays, and is told
    // once, although a user's key is met again through HKEY_USERS.
    if (!SkipOnFailure([&] { m_registry().OpenKey(location.hive, TaggedValue::Text(location.path), location.view); })) {
        if (const auto identity = m_realKey.ListedIdentity(location)) {
            if (m_keysTakenUp.insert(*identity).second) {
                m_account(KeyOutcome::Stay(NameForLog(location), StayReason::KeyUnopenable));
            }
            return;
        }
    }
    if (location.hive == kHkeyUsers && !StaysInItsHive(location)) {
        m_account(KeyOutcome::Stay(NameForLog(location), StayReason::LeadsOutOfHive));
        return;
    }
    m_account(m_removal.ExportAndDeleteKey(location, m_preview));
}

bool RemovalScope::StaysInItsHive(const RegLocation& key)
{
    if (key.hive != kHkeyUsers) {
        return true;
    }
    // A user's hive is a standard user's data: a link he made in it may lead anywhere, and what it
    // leads to is no key of his. The key's own name in the registry must lie below his hive's.
    const std::string userHive = key.path.substr(0, key.path.find('\\'));
    const auto& loaded = m_loaded.Loaded();
    if (std::none_of(loaded.begin(), loaded.end(), [&](const std::string& name) { return ToUpperText(name) == ToUpperText(userHive); })) {
        return true; // a logged-on user's, loaded by Windows
    }
    const std::string root = m_realKey.IdentityOf(RegLocation{kHkeyUsers, RegView::Native, userHive});
    const std::string identity = m_realKey.IdentityOf(key);
    return !root.empty() && identity.size() > root.size() + 1 && identity.starts_with(root + "\\");
}

} // namespace hivetidy
