#include "UserProfile.h"

#include "DriverError.h"
#include "Files.h"
#include "Registry.h"
#include "Text.h"

#include <windows.h>

#include <utility>

namespace hivedrive {

namespace {

constexpr wchar_t kProfileList[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
// Where a hive's keys are put together before they are saved into its file; below the driver's
// own user, so that no other test's walk of the machine's keys meets it.
constexpr wchar_t kScratchParent[] = L"Software\\HivetidySeed";
constexpr wchar_t kClassesHiveFolder[] = L"\\AppData\\Local\\Microsoft\\Windows";

// Enables one privilege of the driver's token while it lasts, and puts back the state it had:
// RegSaveKeyW needs SeBackupPrivilege, RegLoadKeyW and RegUnLoadKeyW need SeRestorePrivilege, and
// an administrator's token holds both disabled.
class EnabledPrivilege {
public:
    explicit EnabledPrivilege(const wchar_t* name)
    {
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, m_token.put())) {
            ThrowWin32Error(L"OpenProcessToken", ::GetLastError());
        }
        TOKEN_PRIVILEGES wanted{};
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (!::LookupPrivilegeValueW(nullptr, name, &wanted.Privileges[0].Luid)) {
            ThrowWin32Error(L"LookupPrivilegeValueW " + std::wstring(name), ::GetLastError());
        }
        DWORD previousSize = 0;
        // Succeeds also when the token does not hold the privilege; only the last error says so.
        const BOOL adjusted = ::AdjustTokenPrivileges(m_token.get(), FALSE, &wanted, sizeof m_previous, &m_previous,
                                                      &previousSize);
        const DWORD error = ::GetLastError();
        if (!adjusted || error != ERROR_SUCCESS) {
            ThrowWin32Error(L"enabling " + std::wstring(name), adjusted ? error : ::GetLastError());
        }
    }

    ~EnabledPrivilege() { ::AdjustTokenPrivileges(m_token.get(), FALSE, &m_previous, 0, nullptr, nullptr); }

    EnabledPrivilege(const EnabledPrivilege&) = delete;
    EnabledPrivilege& operator=(const EnabledPrivilege&) = delete;

private:
    UniqueHandle m_token;
    TOKEN_PRIVILEGES m_previous{};
};

// Deletes the scratch keys on every way out, the thrown ones included.
class ScratchKeys {
public:
    ScratchKeys() = default;
    ~ScratchKeys()
    {
        try {
            DeleteTree(L"HKEY_CURRENT_USER\\" + std::wstring(kScratchParent));
        } catch (...) {
        }
    }

    ScratchKeys(const ScratchKeys&) = delete;
    ScratchKeys& operator=(const ScratchKeys&) = delete;
};

// Writes the keys into a hive file. Under Wine, RegSaveKeyW writes its own text format with the
// keys named below the saved key, which is what RegLoadKeyW takes; it takes no binary hive.
void SaveHive(const std::wstring& file, const std::vector<HiveText>& texts)
{
    const ScratchKeys scratchKeys;
    const std::wstring scratch = std::wstring(kScratchParent) + L"\\" + std::to_wstring(::GetCurrentProcessId());
    CreateKey(L"HKEY_CURRENT_USER\\" + scratch);
    for (const HiveText& text : texts) {
        SetText(L"HKEY_CURRENT_USER\\" + scratch + L"\\" + text.key, text.name, text.text);
    }
    UniqueHkey key;
    LONG status = ::RegOpenKeyExW(HKEY_CURRENT_USER, scratch.c_str(), 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS) {
        ThrowWin32Error(L"RegOpenKeyExW HKEY_CURRENT_USER\\" + scratch, static_cast<unsigned long>(status));
    }
    // RegSaveKeyW writes no file that is there already.
    if (!::DeleteFileW(file.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
        ThrowWin32Error(L"DeleteFileW " + file, ::GetLastError());
    }
    const EnabledPrivilege backup(SE_BACKUP_NAME);
    status = ::RegSaveKeyW(key.get(), file.c_str(), nullptr);
    if (status != ERROR_SUCCESS) {
        ThrowWin32Error(L"RegSaveKeyW " + file, static_cast<unsigned long>(status));
    }
}

// A hive file the driver has loaded below HKEY_USERS, unloaded again on every way out.
class LoadedHive {
public:
    LoadedHive(std::wstring name, const std::wstring& file) : m_name(std::move(name))
    {
        const LONG status = ::RegLoadKeyW(HKEY_USERS, m_name.c_str(), file.c_str());
        if (status != ERROR_SUCCESS) {
            ThrowWin32Error(L"RegLoadKeyW HKEY_USERS\\" + m_name + L" from " + file, static_cast<unsigned long>(status));
        }
    }
    ~LoadedHive() { ::RegUnLoadKeyW(HKEY_USERS, m_name.c_str()); }

    LoadedHive(const LoadedHive&) = delete;
    LoadedHive& operator=(const LoadedHive&) = delete;

private:
    std::wstring m_name;
};

// The seeded values that the loaded hive does not show, one per line; empty when it shows them all.
std::string MissingFrom(const std::wstring& hiveName, const std::vector<HiveText>& texts)
{
    std::string missing;
    for (const HiveText& text : texts) {
        const std::wstring key = hiveName + L"\\" + text.key;
        if (TextValue(key, text.name) != text.text) {
            missing += "\n  " + ToUtf8(key) + " \"" + ToUtf8(text.name) + "\"";
        }
    }
    return missing;
}

// Unloads the hive loaded at HKEY_USERS\<name>; a key made there by an import into a hive that
// was not loaded is no hive, and is deleted instead.
void TakeAwayBelowUsers(const std::wstring& name)
{
    const std::wstring fullName = L"HKEY_USERS\\" + name;
    if (!KeyExists(fullName)) {
        return;
    }
    const EnabledPrivilege restore(SE_RESTORE_NAME);
    if (::RegUnLoadKeyW(HKEY_USERS, name.c_str()) != ERROR_SUCCESS) {
        DeleteTree(fullName);
    }
}

} // namespace

UserProfile::UserProfile(Seeds& seeds, std::wstring sid, const std::wstring& userName, const UserHives& hives)
    : m_sid(std::move(sid))
{
    const std::wstring profileKey = kProfileList + m_sid;
    const std::wstring imagePath = L"%SystemDrive%\\Users\\" + userName;
    seeds.OwnKey(profileKey);
    SetExpandableText(profileKey, L"ProfileImagePath", imagePath);
    wchar_t expanded[MAX_PATH];
    const DWORD length = ::ExpandEnvironmentStringsW(imagePath.c_str(), expanded, MAX_PATH);
    if (length == 0 || length > MAX_PATH) {
        ThrowWin32Error(L"ExpandEnvironmentStringsW " + imagePath, ::GetLastError());
    }
    m_folder = expanded;
    seeds.OwnFolder(m_folder + kClassesHiveFolder);
    WriteHives(hives);

    // The seeding's own check: each file loads at the name the program loads it at and shows
    // every seeded value there, and is unloaded again before the program runs.
    const EnabledPrivilege restore(SE_RESTORE_NAME);
    std::string missing;
    {
        const LoadedHive user(m_sid, UserHiveFile());
        const LoadedHive classes(m_sid + L"_Classes", ClassesHiveFile());
        missing = MissingFrom(UserHiveName(), hives.user) + MissingFrom(ClassesHiveName(), hives.classes);
    }
    if (!missing.empty()) {
        throw DriverError("the seeded hives, loaded, do not show:" + missing);
    }
    const std::vector<std::wstring> stillLoaded = LoadedHives();
    if (!stillLoaded.empty()) {
        throw DriverError("the seeded hive did not unload: " + ToUtf8(stillLoaded.front()));
    }
}

UserProfile::~UserProfile()
{
    // A destructor must not throw; what cannot be taken away is left to the next run's fresh prefix.
    for (const std::wstring& name : {m_sid, m_sid + L"_Classes"}) {
        try {
            TakeAwayBelowUsers(name);
        } catch (...) {
        }
    }
}

void UserProfile::WriteHives(const UserHives& hives) const
{
    SaveHive(UserHiveFile(), hives.user);
    SaveHive(ClassesHiveFile(), hives.classes);
}

std::wstring UserProfile::UserHiveName() const
{
    return L"HKEY_USERS\\" + m_sid;
}

std::wstring UserProfile::ClassesHiveName() const
{
    return L"HKEY_USERS\\" + m_sid + L"_Classes";
}

std::vector<std::wstring> UserProfile::LoadedHives() const
{
    std::vector<std::wstring> loaded;
    for (const std::wstring& name : {UserHiveName(), ClassesHiveName()}) {
        if (KeyExists(name)) {
            loaded.push_back(name);
        }
    }
    return loaded;
}

UniqueFile UserProfile::HoldUserHiveFile() const
{
    const std::wstring file = UserHiveFile();
    UniqueFile held(::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held) {
        ThrowWin32Error(L"CreateFileW " + file, ::GetLastError());
    }
    // The hold's own check: Windows refuses the load as it refuses the program's, with 32.
    const EnabledPrivilege restore(SE_RESTORE_NAME);
    const LONG status = ::RegLoadKeyW(HKEY_USERS, m_sid.c_str(), file.c_str());
    if (status == ERROR_SUCCESS) {
        ::RegUnLoadKeyW(HKEY_USERS, m_sid.c_str());
    }
    if (status != ERROR_SHARING_VIOLATION) {
        ThrowWin32Error(L"RegLoadKeyW of the held " + file + L" (32 expected)", static_cast<unsigned long>(status));
    }
    return held;
}

std::wstring UserProfile::UserHiveFile() const
{
    return m_folder + L"\\NTUSER.DAT";
}

std::wstring UserProfile::ClassesHiveFile() const
{
    return m_folder + kClassesHiveFolder + L"\\UsrClass.dat";
}

} // namespace hivedrive
