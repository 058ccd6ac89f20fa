#include "platform/win32/Win32Hives.h"

#include "platform/win32/AdminOnlyFile.h"
#include "platform/win32/UniqueResource.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32FileSystem.h"

#include <array>

namespace hivetidy::win32 {

namespace {

// The new record is written here first and then takes the record's place.
constexpr wchar_t kNewRecordPath[] = L"C:\\REGISTRY\\HIVETIDY.HI~";
constexpr DWORD kRetryPauseMilliseconds = 250;
// A key name has at most 255 characters, and the NUL after it.
constexpr DWORD kKeyNameBufferLength = 256;

// Enables one privilege the token holds; false when it holds none such. AdjustTokenPrivileges
// succeeds then all the same and says so only through GetLastError.
[[nodiscard]] bool EnablePrivilege(HANDLE token, const wchar_t* privilege)
{
    TOKEN_PRIVILEGES wanted{};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, privilege, &wanted.Privileges[0].Luid)) {
        return false;
    }
    if (!AdjustTokenPrivileges(token, FALSE, &wanted, 0, nullptr, nullptr)) {
        return false;
    }
    return GetLastError() != ERROR_NOT_ALL_ASSIGNED;
}

// RegLoadKeyW and RegUnLoadKeyW need the restore privilege, RegSaveKeyW the backup privilege;
// an administrator's token holds both, disabled.
[[nodiscard]] bool EnableBackupAndRestore()
{
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) {
        return false;
    }
    const bool backup = EnablePrivilege(token.get(), SE_BACKUP_NAME);
    const bool restore = EnablePrivilege(token.get(), SE_RESTORE_NAME);
    return backup && restore;
}

// Whether HKEY_USERS has a key of that name; one that is there but cannot be opened counts too.
[[nodiscard]] bool IsBelowUsers(const std::wstring& name)
{
    UniqueHkey key;
    return RegOpenKeyExW(HKEY_USERS, name.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_FILE_NOT_FOUND;
}

[[nodiscard]] HiveLoad LoadOf(LSTATUS status)
{
    switch (status) {
    case ERROR_SUCCESS:
        return HiveLoad::Loaded;
    case ERROR_SHARING_VIOLATION:
        return HiveLoad::InUse;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return HiveLoad::Missing;
    case ERROR_BADDB:
    case ERROR_BADKEY:
    case ERROR_REGISTRY_CORRUPT:
    case ERROR_NOT_REGISTRY_FILE:
        return HiveLoad::NotAHive;
    case ERROR_PRIVILEGE_NOT_HELD:
        return HiveLoad::NotAllowed;
    default:
        return HiveLoad::Failed;
    }
}

} // namespace

HiveLoad Win32Hives::Load(std::string_view name, std::string_view file)
{
    if (!IsHiveName(name) || !IsFullHivePath(file)) {
        return HiveLoad::Failed;
    }
    const std::wstring wideName = Widen(name);
    if (IsBelowUsers(wideName)) {
        return HiveLoad::Failed;
    }
    if (!EnableBackupAndRestore()) {
        return HiveLoad::NotAllowed;
    }
    const HiveLoad load = LoadOf(RegLoadKeyW(HKEY_USERS, wideName.c_str(), Widen(file).c_str()));
    // The name was free before, so whatever holds it now is what the refused load left (Wine
    // keeps an empty key for a file that is no hive until it is unloaded).
    if (load != HiveLoad::Loaded && IsBelowUsers(wideName)) {
        (void)RegUnLoadKeyW(HKEY_USERS, wideName.c_str());
    }
    return load;
}

bool Win32Hives::Unload(std::string_view name)
{
    if (!IsHiveName(name)) {
        return false;
    }
    const std::wstring wideName = Widen(name);
    // Without the privileges the attempt fails; whether the key is gone still says the outcome.
    (void)EnableBackupAndRestore();
    (void)RegUnLoadKeyW(HKEY_USERS, wideName.c_str());
    return !IsBelowUsers(wideName);
}

void Win32Hives::PauseBeforeRetry()
{
    Sleep(kRetryPauseMilliseconds);
}

std::vector<std::string> Win32Hives::LoadedNames()
{
    std::vector<std::string> names;
    std::array<wchar_t, kKeyNameBufferLength> name{};
    for (DWORD index = 0;; ++index) {
        // RegEnumKeyExW writes the length of the name it returned into this: reset every time.
        DWORD length = static_cast<DWORD>(name.size());
        const LSTATUS status =
            RegEnumKeyExW(HKEY_USERS, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) {
            break;
        }
        names.push_back(Narrow({name.data(), length}));
    }
    return names;
}

std::string Win32Hives::ExpandEnvironment(std::string_view text)
{
    const std::wstring wide = Widen(text);
    std::wstring expanded(wide.size() + 1, L'\0');
    // The length asked for counts the NUL; a variable may grow between two calls, so ask again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD needed =
            ExpandEnvironmentStringsW(wide.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
        if (needed == 0) {
            break;
        }
        if (needed <= expanded.size()) {
            expanded.resize(needed - 1);
            return Narrow(expanded);
        }
        expanded.assign(needed, L'\0');
    }
    return std::string(text);
}

std::optional<std::string> Win32Hives::ReadRecord()
{
    return Win32FileSystem().ReadAll(kHiveRecordPath);
}

bool Win32Hives::WriteRecord(std::string_view text)
{
    // A new file each time: one left over from an earlier attempt keeps no access list of its own.
    (void)DeleteFileW(kNewRecordPath);
    bool written = false;
    {
        UniqueFile file = OpenAdminOnlyFile(kNewRecordPath, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
        if (!file) {
            return false;
        }
        DWORD done = 0;
        written = WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &done, nullptr) &&
                  done == text.size() && FlushFileBuffers(file.get());
    }
    if (!written || !MoveFileExW(kNewRecordPath, Widen(kHiveRecordPath).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        (void)DeleteFileW(kNewRecordPath);
        return false;
    }
    return true;
}

void Win32Hives::RemoveRecord()
{
    (void)Win32FileSystem().Delete(kHiveRecordPath);
}

} // namespace hivetidy::win32
