#pragma once
// The hives of the machine's users, logged on or not. A user who is not logged on has his
// NTUSER.DAT loaded at HKEY_USERS\<SID> and his UsrClass.dat at HKEY_USERS\<SID>_Classes, the names
// Windows gives them at logon, so that his keys are exported, logged and restored under one name
// whether he is logged on or not. What is loaded is written into the record before it is loaded, and
// unloaded again on every ending; the next start unloads what a killed process left loaded.

#include "component/RegistryComponent.h"
#include "platform/Hives.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace hivetidy {

inline constexpr std::string_view kProfileListKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
inline constexpr std::string_view kClassesHiveSuffix = "_Classes";
inline constexpr std::string_view kUserHiveFile = "NTUSER.DAT";
inline constexpr std::string_view kClassesHiveFile = "AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";

// One profile of ProfileList: the user's SID and his profile folder as its ProfileImagePath gives
// it, expanded.
struct UserProfile {
    std::string sid;
    std::string folder;
};

// The profiles of ProfileList whose SID is one key name and whose ProfileImagePath is text. Nothing
// here fails: a list that cannot be read gives none.
[[nodiscard]] std::vector<UserProfile> ReadProfiles(RegistryComponentFactory& components, Hives& hives);

// Why a hive could not be loaded, as the user is told: "in Benutzung", "Datei fehlt", ...
[[nodiscard]] std::string_view HiveLoadText(HiveLoad load);

// True for a name below HKEY_USERS that a user's classes hive has: "<SID>_Classes".
[[nodiscard]] bool IsClassesHiveName(std::string_view name);

class UserHives {
public:
    UserHives(RegistryComponentFactory& components, Hives& hives);
    // Unloads what is still loaded: no ending leaves a hive of this object loaded.
    ~UserHives();

    UserHives(const UserHives&) = delete;
    UserHives& operator=(const UserHives&) = delete;

    // Loads the hives of every profile whose user is not logged on. A hive that cannot be loaded is
    // named in NotLoaded, and the others are loaded all the same.
    void LoadLoggedOff();
    // Loads, of the hives named (as below HKEY_USERS, any letter case), those that are not loaded
    // and that a profile has; one that no profile has is named in NotLoaded.
    void LoadNamed(const std::set<std::string>& names);
    // Unloads every hive this object loaded, each tried a few times while others still have keys of
    // it open; the names below HKEY_USERS of those that stayed loaded, which the record keeps.
    [[nodiscard]] std::vector<std::string> UnloadAll() noexcept;

    // The hives that could not be loaded, each as "HKEY_USERS\<name> (Profil <folder>: <reason>)".
    [[nodiscard]] const std::vector<std::string>& NotLoaded() const { return m_notLoaded; }
    // The names below HKEY_USERS of the hives this object has loaded now.
    [[nodiscard]] const std::vector<std::string>& Loaded() const { return m_loaded; }

private:
    // Loads the file at the name, the name written into the record first.
    void LoadOne(const UserProfile& profile, const std::string& name, std::string_view file);
    // Writes the names into the record beside the recorded ones that are still loaded, or deletes
    // it when there are none; false when it could not.
    [[nodiscard]] bool Record(const std::vector<std::string>& names) noexcept;

    RegistryComponentFactory& m_components;
    Hives& m_hives;
    std::vector<std::string> m_loaded;
    std::vector<std::string> m_notLoaded;
};

// True when a user's hive waits to be loaded (a profile whose user is not logged on) or unloaded (a
// record a killed run left): only then does a look that writes nothing else need the run lock, and
// with it the working folder.
[[nodiscard]] bool UserHivesWaiting(RegistryComponentFactory& components, Hives& hives);

// What a start found of the hives a killed process left loaded.
struct LeftoverHives {
    std::vector<std::string> unloaded;    // the names below HKEY_USERS unloaded now
    std::vector<std::string> stillLoaded; // those that could not be: the record keeps them
};

// Unloads the hives the record names that are still loaded, and forgets the record where all of
// them are gone. Only with the run lock held: a run that is going has its own hives in the record.
[[nodiscard]] LeftoverHives UnloadLeftovers(Hives& hives);

// What the user is told of them, a line each; none when there were none.
[[nodiscard]] std::vector<std::string> LeftoverLines(const LeftoverHives& leftovers);
// What the user is told of the hives that stayed loaded as the program ends; none when none did.
[[nodiscard]] std::vector<std::string> LeftLoadedLines(const std::vector<std::string>& names);

} // namespace hivetidy
