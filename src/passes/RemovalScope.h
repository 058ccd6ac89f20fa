#pragma once
// The removal scope: the fixed places below which the run removes keys, and the claims a key must
// pass, by its own data, before it goes. Nothing else is ever deleted.

#include "files/ExportAndDeleteKey.h"
#include "files/KeyOutcome.h"
#include "files/RealKey.h"
#include "files/RunComponent.h"
#include "files/UserHives.h"
#include "passes/KeyClaim.h"
#include "shared/RegLocation.h"

#include <functional>
#include <set>
#include <string>
#include <string_view>

namespace hivetidy {

inline constexpr std::string_view kClassesRoot = "HKEY_CLASSES_ROOT";
inline constexpr std::string_view kLocalMachine = "HKEY_LOCAL_MACHINE";
inline constexpr std::string_view kCurrentUser = "HKEY_CURRENT_USER";
inline constexpr std::string_view kUsers = "HKEY_USERS";

inline constexpr std::string_view kClsidPrefix = "CLSID\\";
inline constexpr std::string_view kMachineClsidPrefix = "SOFTWARE\\Classes\\CLSID\\";
inline constexpr std::string_view kTypeLibPrefix = "TypeLib\\";
inline constexpr std::string_view kMachineTypeLibPrefix = "SOFTWARE\\Classes\\TypeLib\\";
inline constexpr std::string_view kMachineClassesPrefix = "SOFTWARE\\Classes\\";
inline constexpr std::string_view kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
inline constexpr std::string_view kAppPathsPrefix = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

class RemovalScope {
public:
    // Whose a key is, by its own data, asked of the key it really is just before it is removed.
    using Guard = std::function<KeyClaim(const RegLocation&)>;
    // What became of a key taken up, for the run's outcome.
    using Account = std::function<void(const KeyOutcome&)>;

    // preview is read at each removal: a preview only accounts for what a run would remove.
    // The users' hives the run loaded are asked at each removal below HKEY_USERS.
    RemovalScope(RunComponent& registry, RealKey& realKey, KeyClaims& claims, KeyRemoval& removal, const bool& preview,
                 const UserHives& loaded, Account account);

    // The only way the run removes a key: one key name directly below one of the fixed prefixes,
    // and only when the guard, if any, claims it for the controller; where a name below
    // HKEY_CLASSES_ROOT reaches the user's own key, usersGuard must claim it too.
    void RemoveBelow(RegView view, std::string_view hiveName, std::string_view keyPrefix, std::string_view keyName,
                     const Guard& guard = {}, const Guard& usersGuard = {});
    // The same below a user's classes hive, HKEY_USERS\<SID>_Classes, where the prefix is that of
    // HKEY_CLASSES_ROOT ("", "CLSID\\" or "TypeLib\\"); the guard, if any, must claim the key.
    void RemoveBelowUser(std::string_view classesHive, std::string_view keyPrefix, std::string_view keyName,
                         const Guard& guard = {});
    // The maker's own key below the root of a hive, or below a user hive of HKEY_USERS: in a user's
    // classes hive, the two keys of his virtual store.
    void RemoveMakerKey(std::string_view hiveName, RegView view, std::string_view userHive);
    // The guard of a key that must itself refer into the controller folders.
    [[nodiscard]] Guard RefersToController();
    // The guard of a type library: every file of it the controller's.
    [[nodiscard]] Guard ControllersLibrary();

private:
    // Guards, export, delete and log of a key at a fixed place that is there.
    void TakeUp(const RegLocation& location, const Guard& guard, const Guard& usersGuard);
    // The maker's key at one place, told where it is there but cannot be opened.
    void RemoveMakerKeyAt(const RegLocation& location);
    // A key below HKEY_USERS that is the very key of its user's hive where the run loaded that hive:
    // no link in it is followed out of it.
    [[nodiscard]] bool StaysInItsHive(const RegLocation& key);

    RunComponent& m_registry;
    RealKey& m_realKey;
    KeyClaims& m_claims;
    KeyRemoval& m_removal;
    const bool& m_preview;
    const UserHives& m_loaded;
    Account m_account;
    // The system's own names (upper case) of the keys taken up for removal: a key is taken up once,
    // under whichever of its names the run meets first.
    std::set<std::string> m_keysTakenUp;
};

} // namespace hivetidy
