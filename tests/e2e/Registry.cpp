#include "Registry.h"

#include "DriverError.h"
#include "Text.h"
#include "UniqueHandle.h"
#include "Wow64.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace hivedrive {

namespace {

struct Hive {
    std::wstring_view name;
    HKEY root;
};

// Not constexpr: the predefined root handles are casts of integers to pointers.
const std::array<Hive, 4> kHives{{
    {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {L"HKEY_USERS", HKEY_USERS},
}};

constexpr std::wstring_view kClassesRootTarget = L"HKEY_LOCAL_MACHINE\\Software\\Classes";

// Written by Wine and the common dialogs while the program runs; never the program's doing.
constexpr std::array<std::wstring_view, 3> kVolatileBelowUserSoftware{{
    L"Microsoft\\Windows\\CurrentVersion\\Explorer",
    L"Microsoft\\Windows\\CurrentVersion\\Applets",
    L"Wine",
}};

struct KeyName {
    HKEY root;
    std::wstring path;
};

KeyName Split(std::wstring_view fullName)
{
    const auto slash = fullName.find(L'\\');
    const std::wstring_view hive = fullName.substr(0, slash);
    for (const Hive& candidate : kHives) {
        if (EqualsIgnoreCase(candidate.name, hive)) {
            return {candidate.root, slash == std::wstring_view::npos ? L"" : std::wstring(fullName.substr(slash + 1))};
        }
    }
    throw DriverError("not a registry key name: " + ToUtf8(fullName));
}

// The KEY_WOW64_* flag of every open, create and delete: without one, a 32-bit driver would see
// the 32-bit view under the native names. 0 where Windows has one view only.
REGSAM ViewFlag(View view)
{
    if (!IsWindows64()) {
        return 0;
    }
    return view == View::Wow32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

UniqueHkey OpenForReading(std::wstring_view fullName, View view = View::Native)
{
    const KeyName name = Split(fullName);
    UniqueHkey key;
    if (::RegOpenKeyExW(name.root, name.path.c_str(), 0, KEY_READ | ViewFlag(view), key.put()) != ERROR_SUCCESS) {
        return {};
    }
    return key;
}

UniqueHkey CreateForWriting(std::wstring_view fullName, View view)
{
    const KeyName name = Split(fullName);
    UniqueHkey key;
    const LONG status = ::RegCreateKeyExW(name.root, name.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          KEY_WRITE | ViewFlag(view), nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) {
        ThrowWin32Error(L"RegCreateKeyExW " + std::wstring(fullName), static_cast<unsigned long>(status));
    }
    return key;
}

void SetValue(std::wstring_view fullName, View view, std::wstring_view valueName, DWORD type, const void* data,
              DWORD size)
{
    const UniqueHkey key = CreateForWriting(fullName, view);
    const std::wstring name(valueName);
    const LONG status = ::RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    if (status != ERROR_SUCCESS) {
        ThrowWin32Error(L"RegSetValueExW " + std::wstring(fullName), static_cast<unsigned long>(status));
    }
}

// Key and value names are up to 16383 characters; the buffer lengths are set anew before every
// RegEnum* call because each call overwrites them with what it returned.
constexpr DWORD kMaxNameLength = 16384;

// What a key reports of itself: how many subkeys and values it has and the longest of each.
// Each enumeration is bounded by it, and its buffers are sized by it: a snapshot reads some
// 16,000 keys, and each call is a request to the registry server.
struct KeyInfo {
    DWORD subkeys = 0;
    DWORD longestSubkey = 0;
    DWORD values = 0;
    DWORD longestValueName = 0;
    DWORD largestData = 0;
};

KeyInfo InfoOf(HKEY key)
{
    KeyInfo info;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &info.subkeys, &info.longestSubkey, nullptr,
                           &info.values, &info.longestValueName, &info.largestData, nullptr,
                           nullptr) != ERROR_SUCCESS) {
        return {};
    }
    return info;
}

std::vector<std::wstring> SubkeysOf(HKEY key, const KeyInfo& info)
{
    std::vector<std::wstring> names;
    names.reserve(info.subkeys);
    std::wstring buffer(info.longestSubkey + 1, L'\0');
    for (DWORD index = 0; index < info.subkeys;) {
        auto length = static_cast<DWORD>(buffer.size());
        const LONG status =
            ::RegEnumKeyExW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA && buffer.size() < kMaxNameLength) {
            // A longer subkey came since the key was asked for its longest one: the same index again.
            buffer.resize(kMaxNameLength);
            continue;
        }
        if (status != ERROR_SUCCESS) {
            break;
        }
        ++index;
        names.emplace_back(buffer.data(), length);
    }
    return names;
}

RegistrySnapshot::Values ValuesOf(HKEY key, const KeyInfo& info)
{
    RegistrySnapshot::Values values;
    std::wstring name(info.longestValueName + 1, L'\0');
    std::vector<std::uint8_t> data(info.largestData + 2);
    for (DWORD index = 0; index < info.values;) {
        auto nameLength = static_cast<DWORD>(name.size());
        auto dataSize = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        const LONG status = ::RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
        if (status == ERROR_MORE_DATA && (name.size() < kMaxNameLength || dataSize + 2 > data.size())) {
            // The value or its name grew since the key was asked for its largest one: the same
            // index again.
            name.resize(kMaxNameLength);
            data.resize(std::max<std::size_t>(data.size(), dataSize + 2));
            continue;
        }
        if (status != ERROR_SUCCESS) {
            break;
        }
        ++index;
        values.emplace(std::wstring(name.data(), nameLength),
                       RegistryValue{type, std::vector<std::uint8_t>(data.begin(), data.begin() + dataSize)});
    }
    return values;
}

// Wine links some keys of the 32-bit view to the native keys they share, as Windows does with its
// own: the link is a key of its own that holds only the target's kernel name, in the REG_LINK value
// "SymbolicLinkValue", and is seen as such only when opened as a link.
bool IsLink(const RegistrySnapshot::Values& values)
{
    return std::any_of(values.begin(), values.end(), [](const auto& value) {
        return value.second.type == REG_LINK && EqualsIgnoreCase(value.first, L"SymbolicLinkValue");
    });
}

std::wstring Describe(const RegistryValue& value)
{
    std::wstring text = L"type " + std::to_wstring(value.type) + L", " + std::to_wstring(value.data.size()) + L" bytes";
    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
        std::wstring shown = FromUtf16LeBytes(std::string(value.data.begin(), value.data.end()));
        shown.erase(std::find(shown.begin(), shown.end(), L'\0'), shown.end());
        text += L" \"" + shown + L"\"";
    }
    return text;
}

} // namespace

bool KeyExists(std::wstring_view fullName, View view)
{
    return static_cast<bool>(OpenForReading(fullName, view));
}

std::optional<std::wstring> TextValue(std::wstring_view fullName, std::wstring_view valueName, View view)
{
    const UniqueHkey key = OpenForReading(fullName, view);
    if (!key) {
        return std::nullopt;
    }
    const RegistrySnapshot::Values values = ValuesOf(key.get(), InfoOf(key.get()));
    const auto found = std::find_if(values.begin(), values.end(),
                                    [&](const auto& value) { return EqualsIgnoreCase(value.first, valueName); });
    if (found == values.end() || found->second.type != REG_SZ) {
        return std::nullopt;
    }
    std::wstring text = FromUtf16LeBytes(std::string(found->second.data.begin(), found->second.data.end()));
    text.erase(std::find(text.begin(), text.end(), L'\0'), text.end());
    return text;
}

std::vector<std::wstring> SubkeyNames(std::wstring_view fullName)
{
    const UniqueHkey key = OpenForReading(fullName);
    return key ? SubkeysOf(key.get(), InfoOf(key.get())) : std::vector<std::wstring>{};
}

void CreateKey(std::wstring_view fullName, View view)
{
    (void)CreateForWriting(fullName, view);
}

void SetText(std::wstring_view fullName, std::wstring_view valueName, std::wstring_view text, View view)
{
    // The terminating zero is part of the data, as the registry editor writes it on import: only
    // then does an export and re-import give back the very same bytes.
    const std::wstring data(text);
    SetValue(fullName, view, valueName, REG_SZ, data.c_str(), static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

void SetExpandableText(std::wstring_view fullName, std::wstring_view valueName, std::wstring_view text, View view)
{
    const std::wstring data(text);
    SetValue(fullName, view, valueName, REG_EXPAND_SZ, data.c_str(),
             static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

void SetNumber(std::wstring_view fullName, std::wstring_view valueName, DWORD number, View view)
{
    SetValue(fullName, view, valueName, REG_DWORD, &number, sizeof number);
}

void SetBinary(std::wstring_view fullName, std::wstring_view valueName, const std::vector<std::uint8_t>& bytes,
               View view)
{
    SetValue(fullName, view, valueName, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

void DeleteTree(std::wstring_view fullName, View view)
{
    const KeyName name = Split(fullName);
    // RegDeleteTreeW takes no view, so the key is opened in its view and emptied through the handle;
    // RegDeleteKeyExW then takes the empty key away in the same view.
    UniqueHkey key;
    LONG status = ::RegOpenKeyExW(name.root, name.path.c_str(), 0,
                                  DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE | ViewFlag(view),
                                  key.put());
    if (status == ERROR_FILE_NOT_FOUND) {
        return;
    }
    if (status == ERROR_SUCCESS) {
        status = ::RegDeleteTreeW(key.get(), nullptr);
    }
    if (status == ERROR_SUCCESS) {
        key.reset();
        status = ::RegDeleteKeyExW(name.root, name.path.c_str(), ViewFlag(view), 0);
    }
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        ThrowWin32Error(L"deleting " + std::wstring(fullName), static_cast<unsigned long>(status));
    }
}

const std::wstring& CurrentUserHiveName()
{
    static const std::wstring name = [] {
        const std::wstring probe = L"Software\\hivedrive probe " + std::to_wstring(::GetCurrentProcessId());
        CreateKey(L"HKEY_CURRENT_USER\\" + probe);
        std::wstring found;
        for (const std::wstring& hive : SubkeyNames(L"HKEY_USERS")) {
            if (KeyExists(L"HKEY_USERS\\" + hive + L"\\" + probe)) {
                found = hive;
            }
        }
        DeleteTree(L"HKEY_CURRENT_USER\\" + probe);
        if (found.empty()) {
            throw DriverError("HKEY_CURRENT_USER is no hive below HKEY_USERS");
        }
        return found;
    }();
    return name;
}

std::wstring CanonicalName(std::wstring_view fullName)
{
    const auto slash = fullName.find(L'\\');
    const std::wstring_view hive = fullName.substr(0, slash);
    const std::wstring_view rest = slash == std::wstring_view::npos ? L"" : fullName.substr(slash);
    if (EqualsIgnoreCase(hive, L"HKEY_CLASSES_ROOT")) {
        return std::wstring(kClassesRootTarget) + std::wstring(rest);
    }
    if (EqualsIgnoreCase(hive, L"HKEY_CURRENT_USER")) {
        return L"HKEY_USERS\\" + CurrentUserHiveName() + std::wstring(rest);
    }
    return std::wstring(fullName);
}

bool IsAtOrBelow(std::wstring_view key, std::wstring_view ancestor)
{
    const std::wstring canonicalKey = CanonicalName(key);
    const std::wstring canonicalAncestor = CanonicalName(ancestor);
    return StartsWithIgnoreCase(canonicalKey, canonicalAncestor) &&
           (canonicalKey.size() == canonicalAncestor.size() || canonicalKey[canonicalAncestor.size()] == L'\\');
}

RegistrySnapshot RegistrySnapshot::OfSoftware()
{
    RegistrySnapshot snapshot;
    snapshot.AddTree(HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", L"Software");
    for (const std::wstring& hive : SubkeyNames(L"HKEY_USERS")) {
        snapshot.AddTree(HKEY_USERS, L"HKEY_USERS", hive + L"\\Software");
    }
    std::vector<std::wstring> volatileKeys;
    for (const std::wstring& hive : SubkeyNames(L"HKEY_USERS")) {
        for (const std::wstring_view below : kVolatileBelowUserSoftware) {
            volatileKeys.push_back(L"HKEY_USERS\\" + hive + L"\\Software\\" + std::wstring(below));
        }
    }
    return snapshot.Without(volatileKeys);
}

void RegistrySnapshot::AddTree(HKEY root, const std::wstring& rootName, const std::wstring& path)
{
    UniqueHkey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | ViewFlag(View::Native), key.put()) != ERROR_SUCCESS) {
        return;
    }
    AddTree(key.get(), CanonicalName(rootName + L"\\" + path));
}

void RegistrySnapshot::AddTree(HKEY key, const std::wstring& canonicalName)
{
    const KeyInfo info = InfoOf(key);
    Values values = ValuesOf(key, info);
    // A link is taken as it is, with where it leads, but not walked: the key it leads to is walked
    // under its own name, where it is. Each subkey is opened as a link, which is the key itself
    // where it is none.
    const bool link = IsLink(values);
    m_keys.emplace(canonicalName, std::move(values));
    if (link) {
        return;
    }
    for (const std::wstring& subkey : SubkeysOf(key, info)) {
        UniqueHkey child;
        if (::RegOpenKeyExW(key, subkey.c_str(), REG_OPTION_OPEN_LINK, KEY_READ | ViewFlag(View::Native),
                            child.put()) == ERROR_SUCCESS) {
            AddTree(child.get(), canonicalName + L"\\" + subkey);
        }
    }
}

RegistrySnapshot RegistrySnapshot::Without(const std::vector<std::wstring>& removedKeys) const
{
    std::vector<std::wstring> removed;
    removed.reserve(removedKeys.size());
    for (const std::wstring& key : removedKeys) {
        removed.push_back(CanonicalName(key));
    }
    RegistrySnapshot result;
    for (const auto& [name, values] : m_keys) {
        const bool gone = std::any_of(removed.begin(), removed.end(), [&](const std::wstring& ancestor) {
            return StartsWithIgnoreCase(name, ancestor) &&
                   (name.size() == ancestor.size() || name[ancestor.size()] == L'\\');
        });
        if (!gone) {
            result.m_keys.emplace(name, values);
        }
    }
    return result;
}

std::vector<std::wstring> RegistrySnapshot::KeysMissingFrom(const RegistrySnapshot& other) const
{
    std::vector<std::wstring> missing;
    for (const auto& entry : m_keys) {
        if (!other.m_keys.contains(entry.first)) {
            missing.push_back(entry.first);
        }
    }
    return missing;
}

std::vector<std::wstring> RegistrySnapshot::DifferencesTo(const RegistrySnapshot& other, std::size_t limit) const
{
    std::vector<std::wstring> differences;
    const auto note = [&](std::wstring text) {
        if (differences.size() < limit) {
            differences.push_back(std::move(text));
        }
    };
    for (const auto& [name, values] : m_keys) {
        const auto found = other.m_keys.find(name);
        if (found == other.m_keys.end()) {
            note(L"key gone: " + name);
            continue;
        }
        for (const auto& [valueName, value] : values) {
            const auto otherValue = found->second.find(valueName);
            if (otherValue == found->second.end()) {
                note(L"value gone: " + name + L" \"" + valueName + L"\"");
            } else if (!(otherValue->second == value)) {
                note(L"value changed: " + name + L" \"" + valueName + L"\": " + Describe(value) + L" -> " +
                     Describe(otherValue->second));
            }
        }
        for (const auto& otherEntry : found->second) {
            if (!values.contains(otherEntry.first)) {
                note(L"value added: " + name + L" \"" + otherEntry.first + L"\"");
            }
        }
    }
    for (const auto& entry : other.m_keys) {
        if (!m_keys.contains(entry.first)) {
            note(L"key added: " + entry.first);
        }
    }
    return differences;
}

} // namespace hivedrive
