#pragma once
// The registry as the tests seed and inspect it. Keys are named in full, the way the removal log
// names them: a hive name, a backslash and the path below it ("HKEY_CLASSES_ROOT\CLSID\{...}").
// That is the native registry editor's name, so the driver reads and writes the native view, the
// 64-bit one on 64-bit Windows, whichever build it is; only what a 32-bit installer writes goes
// through the 32-bit view, under the plain name, and Windows puts it where that view keeps it
// ("HKEY_CLASSES_ROOT\WOW6432Node\CLSID\{...}", or the very key of the native view it shares).

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hivedrive {

// The view a key is reached through. On 32-bit Windows both are the one registry there is.
enum class View {
    Native,
    Wow32, // the 32-bit view of 64-bit Windows, as a 32-bit program sees the registry
};

[[nodiscard]] bool KeyExists(std::wstring_view fullName, View view = View::Native);
// The text of a REG_SZ value, up to its terminating zero; nullopt when the key or the value is not
// there or holds no text. An empty name reads the key's default value.
[[nodiscard]] std::optional<std::wstring> TextValue(std::wstring_view fullName, std::wstring_view valueName,
                                                    View view = View::Native);
// The names of the key's direct subkeys, in the order the registry enumerates them.
[[nodiscard]] std::vector<std::wstring> SubkeyNames(std::wstring_view fullName);
// Creates the key and every missing key above it.
void CreateKey(std::wstring_view fullName, View view = View::Native);
// Sets a value, creating the key first; an empty name sets the key's default value.
void SetText(std::wstring_view fullName, std::wstring_view valueName, std::wstring_view text, View view = View::Native);
// The same as REG_EXPAND_SZ, a text whose %variables% a reader expands (a profile's path, say).
void SetExpandableText(std::wstring_view fullName, std::wstring_view valueName, std::wstring_view text,
                       View view = View::Native);
void SetNumber(std::wstring_view fullName, std::wstring_view valueName, DWORD number, View view = View::Native);
void SetBinary(std::wstring_view fullName, std::wstring_view valueName, const std::vector<std::uint8_t>& bytes,
               View view = View::Native);
// Deletes the key with everything below it; a key that is not there is fine.
void DeleteTree(std::wstring_view fullName, View view = View::Native);

// The name below HKEY_USERS of the hive that HKEY_CURRENT_USER shows, found by looking where a
// probe key written through HKEY_CURRENT_USER turns up.
[[nodiscard]] const std::wstring& CurrentUserHiveName();
// The one name of a key whichever root it is reached through: Wine's HKEY_CLASSES_ROOT is
// HKEY_LOCAL_MACHINE\Software\Classes, and HKEY_CURRENT_USER is a hive below HKEY_USERS.
[[nodiscard]] std::wstring CanonicalName(std::wstring_view fullName);
// True when `key` is `ancestor` or lies below it, whichever roots the two are named through.
[[nodiscard]] bool IsAtOrBelow(std::wstring_view key, std::wstring_view ancestor);

struct RegistryValue {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> data;
    bool operator==(const RegistryValue&) const = default;
};

// Every key and value below some trees, to compare the registry before and after a run.
class RegistrySnapshot {
public:
    using Values = std::map<std::wstring, RegistryValue>;

    // The machine's software and every user hive's software, without the keys that Wine and the
    // file dialog change by themselves (window positions, recently used files). Each key is in it
    // once, under its own name: a registry link (Wine links keys the two views share, such as
    // Software\Classes\Wow6432Node\TypeLib to Software\Classes\TypeLib) is in it with the
    // target it names, but not followed.
    [[nodiscard]] static RegistrySnapshot OfSoftware();

    // The same snapshot with every key at or below one of these removed.
    [[nodiscard]] RegistrySnapshot Without(const std::vector<std::wstring>& removedKeys) const;
    // The keys that are in this snapshot and not in the other one.
    [[nodiscard]] std::vector<std::wstring> KeysMissingFrom(const RegistrySnapshot& other) const;
    // Readable differences from the other snapshot, at most `limit` of them; empty when equal.
    [[nodiscard]] std::vector<std::wstring> DifferencesTo(const RegistrySnapshot& other, std::size_t limit = 20) const;
    [[nodiscard]] std::size_t KeyCount() const { return m_keys.size(); }

private:
    void AddTree(HKEY root, const std::wstring& rootName, const std::wstring& path);
    void AddTree(HKEY key, const std::wstring& canonicalName);

    std::map<std::wstring, Values> m_keys; // canonical full name -> values by name
};

} // namespace hivedrive
