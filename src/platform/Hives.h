#pragma once
// The registry hives of users who are not logged on: loaded below HKEY_USERS under the names
// Windows gives them at logon (the SID for NTUSER.DAT, "<SID>_Classes" for UsrClass.dat), worked
// in through the registry component, and unloaded again. A hive that stays loaded gives its user
// a temporary profile at his next logon, so what is loaded is written down first, in a record that
// only administrators can change, and the next start unloads what a killed run left loaded.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hivetidy {

// The record of the hives a run has loaded, in the working folder.
inline constexpr std::string_view kHiveRecordPath = "C:\\REGISTRY\\HIVETIDY.HIV";

// How loading a hive file ended.
enum class HiveLoad {
    Loaded,     // the hive is below HKEY_USERS under the name asked for
    InUse,      // another process has the file open (its user is logged on, say)
    Missing,    // there is no such file, or no folder on its way
    NotAHive,   // the file is there but holds no hive; nothing was left loaded
    NotAllowed, // the process may not load hives (no backup and restore privileges)
    Failed,     // anything else: a name that is not one key name, one already loaded, a file
                // given by no full path
};

class Hives {
public:
    virtual ~Hives() = default;

    // Loads the hive file, given by its full path, at HKEY_USERS\name with the backup and restore
    // privileges enabled. The name is one key name (no backslash) that is not yet below
    // HKEY_USERS; anything else is Failed and loads nothing.
    [[nodiscard]] virtual HiveLoad Load(std::string_view name, std::string_view file) = 0;
    // One attempt at unloading HKEY_USERS\name; true when that key is gone after it. It fails while
    // any process has a key of the hive open: the caller waits with PauseBeforeRetry and tries again.
    [[nodiscard]] virtual bool Unload(std::string_view name) = 0;
    // Waits long enough between two attempts at Unload for others to close their keys.
    virtual void PauseBeforeRetry() = 0;
    // The names of the keys directly below HKEY_USERS now, loaded hives and logged-on users alike.
    [[nodiscard]] virtual std::vector<std::string> LoadedNames() = 0;
    // The text with each %NAME% of the environment replaced by its value, for a ProfileImagePath of
    // type REG_EXPAND_SZ; a name the environment does not have stays as it is written.
    [[nodiscard]] virtual std::string ExpandEnvironment(std::string_view text) = 0;

    // The record of the hives a run has loaded; nullopt when there is none or it cannot be read.
    [[nodiscard]] virtual std::optional<std::string> ReadRecord() = 0;
    // Replaces the whole record with the text; true only when it is on the disk.
    [[nodiscard]] virtual bool WriteRecord(std::string_view text) = 0;
    // Deletes the record; a record that is not there is no error.
    virtual void RemoveRecord() = 0;
};

// Whether the text is one key name that Load and Unload accept: not empty, no backslash, no NUL,
// at most the registry's 255 characters.
[[nodiscard]] inline bool IsHiveName(std::string_view name)
{
    constexpr std::size_t kMaxKeyNameLength = 255;
    return !name.empty() && name.size() <= kMaxKeyNameLength && name.find('\\') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

// Whether a hive file's path is a full one: a drive's root and a name below it ("C:\x"), or a
// share's ("\\server\share\x"). A relative path would be taken from whatever folder is current.
[[nodiscard]] inline bool IsFullHivePath(std::string_view path)
{
    const bool onDrive = path.size() > 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                         path[1] == ':' && path[2] == '\\';
    const bool onShare = path.size() > 2 && path.starts_with("\\\\") && path[2] != '\\' && path[2] != '.' &&
                         path[2] != '?';
    return onDrive || onShare;
}

} // namespace hivetidy
