#pragma once
// A user who has a profile on the machine and is not logged on, as a second technician's account
// on a controller PC: his entry in the profile list, his profile folder, and the two hive files
// Windows loads when he logs on, NTUSER.DAT and UsrClass.dat, holding the keys a test gives them.

#include "Seeds.h"
#include "UniqueHandle.h"

#include <string>
#include <vector>

namespace hivedrive {

// A text value of a key, the key named below its hive's root; an empty name is the default value.
struct HiveText {
    std::wstring key;
    std::wstring name;
    std::wstring text;
};

// What a user's two hives hold.
struct UserHives {
    std::vector<HiveText> user;    // NTUSER.DAT, loaded at HKEY_USERS\<SID>
    std::vector<HiveText> classes; // UsrClass.dat, loaded at HKEY_USERS\<SID>_Classes
};

class UserProfile {
public:
    // Writes the profile-list entry (its path as %SystemDrive%\Users\<name>, REG_EXPAND_SZ, as
    // Windows writes it), the folder and both hive files, and loads each file at its name to see
    // its keys before unloading it again; throws when any of that fails. The seeds take the entry
    // and the folder away.
    UserProfile(Seeds& seeds, std::wstring sid, const std::wstring& userName, const UserHives& hives);
    // Unloads a hive of his that is still loaded, whoever loaded it: a later test must not meet it.
    ~UserProfile();

    UserProfile(const UserProfile&) = delete;
    UserProfile& operator=(const UserProfile&) = delete;

    // Writes both hive files anew, as Windows writes a hive back when it is unloaded (Wine does not).
    void WriteHives(const UserHives& hives) const;

    // "HKEY_USERS\<SID>", where his NTUSER.DAT is loaded when it is.
    [[nodiscard]] std::wstring UserHiveName() const;
    // "HKEY_USERS\<SID>_Classes", where his UsrClass.dat is loaded when it is.
    [[nodiscard]] std::wstring ClassesHiveName() const;
    // The profile folder as the profile list's path expands: C:\Users\<name>.
    [[nodiscard]] const std::wstring& Folder() const { return m_folder; }
    // The names of his hives that are loaded below HKEY_USERS; empty when neither is.
    [[nodiscard]] std::vector<std::wstring> LoadedHives() const;
    // Opens his NTUSER.DAT without sharing, as a process that holds the profile open does, and
    // checks that a load of it is refused with 32 while the handle lasts; throws when not.
    [[nodiscard]] UniqueFile HoldUserHiveFile() const;

private:
    [[nodiscard]] std::wstring UserHiveFile() const;
    [[nodiscard]] std::wstring ClassesHiveFile() const;

    std::wstring m_sid;
    std::wstring m_folder;
};

} // namespace hivedrive
