#include "platform/win32/Win32Registry.h"

#include "platform/win32/UniqueResource.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Wow64.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace hivetidy::win32 {

namespace {

constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxValueNameLength = 16383;

// The store's paths have no empty components, whatever RegOpenKeyExW would make of "a\" or "\a".
[[nodiscard]] bool IsValidKeyPath(std::string_view path)
{
    return !path.empty() && path.front() != '\\' && path.back() != '\\' && path.find("\\\\") == std::string_view::npos;
}

// A function of ntdll's by name; nullptr when it has none such.
template <class Function>
Function NtdllFunction(const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

// NtQueryKey of ntdll, which advapi32 has no counterpart of; KeyNameInformation is class 3.
using NtQueryKeyFunction = LONG(NTAPI*)(HANDLE key, int informationClass, PVOID information, ULONG length,
                                        PULONG resultLength);
constexpr int kKeyNameInformation = 3;

std::optional<std::string> KernelKeyName(HKEY key)
{
    static const auto ntQueryKey = NtdllFunction<NtQueryKeyFunction>("NtQueryKey");
    if (!ntQueryKey) {
        return std::nullopt;
    }
    // KEY_NAME_INFORMATION: the name's length in bytes, then the name without a terminating NUL.
    std::vector<ULONG> buffer(1024);
    for (int attempt = 0; attempt < 2; ++attempt) {
        ULONG needed = 0;
        const LONG status = ntQueryKey(key, kKeyNameInformation, buffer.data(),
                                       static_cast<ULONG>(buffer.size() * sizeof(ULONG)), &needed);
        if (status >= 0) {
            const ULONG nameBytes = buffer[0];
            if (nameBytes > (buffer.size() - 1) * sizeof(ULONG)) {
                return std::nullopt;
            }
            const auto* name = reinterpret_cast<const wchar_t*>(buffer.data() + 1);
            return Narrow({name, nameBytes / sizeof(wchar_t)});
        }
        // Too small: once more with the size the system asked for.
        buffer.resize(needed / sizeof(ULONG) + 2);
    }
    return std::nullopt;
}

std::string BytesOf(const std::vector<BYTE>& data, DWORD length)
{
    return std::string(data.begin(), data.begin() + length);
}

// A name as RegEnumKeyExW returns it may hold a NUL before its end (ntdll creates such names);
// every advapi32 function would read it only up to the NUL, and so name another key or none.
[[nodiscard]] bool HasEmbeddedNul(const wchar_t* name, DWORD length)
{
    return std::wstring_view(name, length).find(L'\0') != std::wstring_view::npos;
}

// A registry link holds its target's kernel name in this value, of type REG_LINK.
constexpr wchar_t kLinkValueName[] = L"SymbolicLinkValue";

// What RegQueryInfoKeyW tells of a key in one call: enough to list its subkeys and values with
// one call per entry, in buffers of the right size, and without a last call that finds nothing.
struct KeyCounts {
    DWORD subkeys = 0;
    DWORD maxSubkeyNameLength = 0; // without the terminating NUL, as the name lengths below
    DWORD values = 0;
    DWORD maxValueNameLength = 0;
    DWORD maxValueDataLength = 0;
};

[[nodiscard]] std::optional<KeyCounts> QueryCounts(HKEY key)
{
    KeyCounts counts;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &counts.subkeys, &counts.maxSubkeyNameLength, nullptr,
                         &counts.values, &counts.maxValueNameLength, &counts.maxValueDataLength, nullptr,
                         nullptr) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return counts;
}

// Whether a key opened with REG_OPTION_OPEN_LINK is an ordinary key and not a link. A key that
// cannot be told is taken for a link: a link is never entered, at worst an ordinary key is left.
[[nodiscard]] bool IsPlainKey(HKEY key)
{
    DWORD type = REG_NONE;
    const LSTATUS status = RegQueryValueExW(key, kLinkValueName, nullptr, &type, nullptr, nullptr);
    if (status == ERROR_FILE_NOT_FOUND) {
        return true;
    }
    return status == ERROR_SUCCESS && type != REG_LINK;
}

// The same, told from the counts where they suffice: a link holds its target in a value whose
// name is longer than any the key has, or the key has no values at all.
[[nodiscard]] bool IsPlainKey(HKEY key, const std::optional<KeyCounts>& counts)
{
    constexpr DWORD kLinkValueNameLength = static_cast<DWORD>(std::size(kLinkValueName) - 1);
    if (counts && (counts->values == 0 || counts->maxValueNameLength < kLinkValueNameLength)) {
        return true;
    }
    return IsPlainKey(key);
}

// Opens the key itself, also where it is a link; nullptr when it cannot. Only the last component
// of name is taken as itself: links on the way to it are followed.
[[nodiscard]] UniqueHkey OpenUnfollowed(HKEY parent, const wchar_t* name, REGSAM access)
{
    UniqueHkey key;
    if (RegOpenKeyExW(parent, name, REG_OPTION_OPEN_LINK, access, key.put()) != ERROR_SUCCESS) {
        return {};
    }
    return key;
}

// NtDeleteKey of ntdll deletes the key object behind the handle. Every delete of advapi32 opens
// the key by its name once more, which follows a link to its target, and between the open and
// the delete another key, a link even, may have taken the name.
using NtDeleteKeyFunction = LONG(NTAPI*)(HANDLE key);

[[nodiscard]] bool DeleteKeyObject(HKEY key)
{
    static const auto ntDeleteKey = NtdllFunction<NtDeleteKeyFunction>("NtDeleteKey");
    // Like every delete, it fails while the key still has subkeys.
    return ntDeleteKey && ntDeleteKey(key) >= 0;
}

// Windows' limit on the depth of the registry tree. A tree deeper than that is not the system's
// doing; it is left standing instead of having a handle open for each of its levels.
constexpr std::size_t kMaxTreeDepth = 512;

// Deletes top, opened as itself, with every key below it, depth-first and bottom-up, and never
// through a link: a link is deleted as itself and not entered, since a key opened below a link's
// handle is one of its target's. A key that cannot be opened or deleted stays (and with it the
// keys above it), and the rest goes on; the result is then false.
[[nodiscard]] bool DeleteUnfollowed(UniqueHkey top, REGSAM view)
{
    if (!IsPlainKey(top.get())) {
        return DeleteKeyObject(top.get());
    }
    // DELETE for the key itself, the rest to list its subkeys and tell a link.
    const REGSAM access = DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | view;
    struct Level {
        UniqueHkey key;
        // The subkeys that stay. The registry lists subkeys in name order and they are visited in
        // that order, so these come first and the next one to visit is at this index.
        DWORD kept = 0;
    };
    std::vector<Level> levels;
    levels.push_back({std::move(top)});
    bool whole = true;
    std::array<wchar_t, kMaxKeyNameLength + 1> name{};
    while (!levels.empty()) {
        Level& level = levels.back();
        DWORD length = static_cast<DWORD>(name.size()); // reset: RegEnumKeyExW overwrites it
        if (RegEnumKeyExW(level.key.get(), level.kept, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            // No subkey left to visit (or none to be listed): the key is as empty as it gets.
            const bool deleted = DeleteKeyObject(level.key.get());
            levels.pop_back();
            if (!deleted) {
                whole = false;
                if (!levels.empty()) {
                    ++levels.back().kept;
                }
            }
            continue;
        }
        UniqueHkey subkey;
        if (!HasEmbeddedNul(name.data(), length) && levels.size() < kMaxTreeDepth) {
            subkey = OpenUnfollowed(level.key.get(), name.data(), access);
        }
        if (subkey && IsPlainKey(subkey.get())) {
            levels.push_back({std::move(subkey)});
            continue;
        }
        if (!subkey || !DeleteKeyObject(subkey.get())) {
            whole = false;
            ++level.kept;
        }
    }
    return whole;
}

class Win32StoreKey final : public StoreKey {
public:
    // A predefined root, borrowed from the system; view is the KEY_WOW64_* flag of every open
    // and delete below it (0 on 32-bit Windows).
    Win32StoreKey(HKEY predefined, REGSAM view) : m_key(predefined), m_view(view) {}
    // A key this object opened and closes.
    Win32StoreKey(UniqueHkey opened, REGSAM view) : m_opened(std::move(opened)), m_key(m_opened.get()), m_view(view) {}
    // A key opened for a walk, with the counts read right after it was opened: they serve its
    // first listing of subkeys and of values, each of which a walk makes at once. Any later one
    // asks the registry again, since by then this program may have changed the key.
    Win32StoreKey(UniqueHkey opened, REGSAM view, const std::optional<KeyCounts>& counts)
        : m_opened(std::move(opened)), m_key(m_opened.get()), m_view(view), m_subkeyCounts(counts),
          m_valueCounts(counts)
    {
    }

    [[nodiscard]] std::optional<std::vector<std::string>> SubkeyNames() override
    {
        if (const std::optional<KeyCounts> counts = std::exchange(m_subkeyCounts, std::nullopt)) {
            return CountedSubkeyNames(*counts);
        }
        std::vector<std::string> names;
        std::array<wchar_t, kMaxKeyNameLength + 1> name{};
        for (DWORD index = 0;; ++index) {
            // RegEnumKeyExW overwrites the length with that of the name it returned: without the
            // reset a longer name later on would not fit a buffer that is big enough.
            DWORD length = static_cast<DWORD>(name.size());
            const LSTATUS status = RegEnumKeyExW(m_key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
            if (status == ERROR_NO_MORE_ITEMS) {
                return names;
            }
            if (status != ERROR_SUCCESS) {
                return std::nullopt;
            }
            if (HasEmbeddedNul(name.data(), length)) {
                continue; // no key can be opened by this name
            }
            names.push_back(Narrow({name.data(), length}));
        }
    }

    [[nodiscard]] std::optional<std::vector<RawValue>> Values() override
    {
        std::optional<KeyCounts> counts = std::exchange(m_valueCounts, std::nullopt);
        if (!counts) {
            counts = QueryCounts(m_key);
        }
        if (!counts) {
            return std::nullopt;
        }
        // The maximum name length leaves out the terminating NUL.
        std::vector<wchar_t> name(counts->maxValueNameLength + 1);
        std::vector<BYTE> data(std::max<DWORD>(counts->maxValueDataLength, 1));
        std::vector<RawValue> values;
        values.reserve(counts->values);
        // As many as the key had when counted: one that came after it was read is as if it had
        // come after the whole listing.
        for (DWORD index = 0; index < counts->values;) {
            // Both lengths come back as those of the value just read: reset them for every call.
            DWORD nameLength = static_cast<DWORD>(name.size());
            DWORD dataLength = static_cast<DWORD>(data.size());
            DWORD type = REG_NONE;
            const LSTATUS status = RegEnumValueW(m_key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength);
            if (status == ERROR_NO_MORE_ITEMS) {
                return values;
            }
            if (status == ERROR_MORE_DATA) {
                // A value grew or came after RegQueryInfoKeyW: make room and read the same index again.
                name.resize(std::max(name.size(), kMaxValueNameLength + 1));
                data.resize(std::max<std::size_t>(dataLength, data.size() * 2));
                continue;
            }
            if (status != ERROR_SUCCESS) {
                return std::nullopt;
            }
            values.push_back(RawValue{Narrow({name.data(), nameLength}), type, BytesOf(data, dataLength)});
            ++index;
        }
        return values;
    }

    [[nodiscard]] std::optional<RawValue> Value(std::string_view name) override
    {
        // L"" names the unnamed value.
        const std::wstring wideName = Widen(name);
        std::vector<BYTE> data(256);
        for (;;) {
            DWORD type = REG_NONE;
            DWORD length = static_cast<DWORD>(data.size());
            const LSTATUS status = RegQueryValueExW(m_key, wideName.c_str(), nullptr, &type, data.data(), &length);
            if (status == ERROR_MORE_DATA) {
                data.resize(length);
                continue;
            }
            if (status != ERROR_SUCCESS) {
                return std::nullopt;
            }
            return RawValue{std::string(name), type, BytesOf(data, length)};
        }
    }

    [[nodiscard]] std::unique_ptr<StoreKey> Open(std::string_view path) override
    {
        if (!IsValidKeyPath(path)) {
            return nullptr;
        }
        HKEY key = nullptr;
        if (RegOpenKeyExW(m_key, Widen(path).c_str(), 0, KEY_READ | m_view, &key) != ERROR_SUCCESS) {
            return nullptr;
        }
        return std::make_unique<Win32StoreKey>(UniqueHkey(key), m_view);
    }

    [[nodiscard]] std::unique_ptr<StoreKey> OpenSubkey(std::string_view name) override
    {
        // One component only: a link on the way to the last one would be followed.
        if (!IsValidKeyPath(name) || name.find('\\') != std::string_view::npos) {
            return nullptr;
        }
        // Opened as itself, so that a link shows as the link; an ordinary key is then the key
        // itself, and reading it goes nowhere else.
        UniqueHkey key = OpenUnfollowed(m_key, Widen(name).c_str(), KEY_READ | m_view);
        if (!key) {
            return nullptr;
        }
        const std::optional<KeyCounts> counts = QueryCounts(key.get());
        if (!IsPlainKey(key.get(), counts)) {
            return nullptr;
        }
        return std::make_unique<Win32StoreKey>(std::move(key), m_view, counts);
    }

    [[nodiscard]] std::optional<std::string> Identity() override
    {
        // The kernel's name of the key object, "\\REGISTRY\\MACHINE\\SOFTWARE\\...": the same for
        // every name and view that reaches the key, as opposed to the name it was opened by.
        if (!m_opened) {
            return std::nullopt; // a predefined root is no key object of its own
        }
        return KernelKeyName(m_key);
    }

    [[nodiscard]] bool DeleteTree(std::string_view path) override
    {
        if (!IsValidKeyPath(path)) {
            return false;
        }
        // The path is followed as the caller named it up to its last key, which is taken as
        // itself: a link there is deleted, not its target. The view flag keeps a 32-bit build
        // from reaching the 32-bit view's key of the same name.
        UniqueHkey top = OpenUnfollowed(m_key, Widen(path).c_str(),
                                        DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | m_view);
        if (!top) {
            return false;
        }
        return DeleteUnfollowed(std::move(top), m_view);
    }

private:
    [[nodiscard]] std::optional<std::vector<std::string>> CountedSubkeyNames(const KeyCounts& counts) const
    {
        std::vector<std::string> names;
        names.reserve(counts.subkeys);
        std::array<wchar_t, kMaxKeyNameLength + 1> name{}; // no key name is longer
        for (DWORD index = 0; index < counts.subkeys; ++index) {
            DWORD length = static_cast<DWORD>(name.size()); // overwritten by each call
            const LSTATUS status = RegEnumKeyExW(m_key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
            if (status == ERROR_NO_MORE_ITEMS) {
                break; // one went since it was counted
            }
            if (status != ERROR_SUCCESS) {
                return std::nullopt;
            }
            if (!HasEmbeddedNul(name.data(), length)) {
                names.push_back(Narrow({name.data(), length}));
            }
        }
        return names;
    }

    UniqueHkey m_opened; // empty for a predefined root
    HKEY m_key;
    REGSAM m_view;
    std::optional<KeyCounts> m_subkeyCounts;
    std::optional<KeyCounts> m_valueCounts;
};

// The KEY_WOW64_* flag of a view; 0 where Windows has one view only.
REGSAM ViewFlag(RegView view)
{
    if (!IsWindows64()) {
        return 0;
    }
    return view == RegView::Wow32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

} // namespace

std::unique_ptr<StoreKey> Win32Registry::OpenHive(RootHandle root, RegView view)
{
    if (view == RegView::Wow32 && !IsWindows64()) {
        return nullptr;
    }
    const REGSAM flag = ViewFlag(view);
    switch (root) {
    case kHkeyClassesRoot:
        return std::make_unique<Win32StoreKey>(HKEY_CLASSES_ROOT, flag);
    case kHkeyCurrentUser:
        return std::make_unique<Win32StoreKey>(HKEY_CURRENT_USER, flag);
    case kHkeyLocalMachine:
        return std::make_unique<Win32StoreKey>(HKEY_LOCAL_MACHINE, flag);
    case kHkeyUsers:
        return std::make_unique<Win32StoreKey>(HKEY_USERS, flag);
    default:
        return nullptr;
    }
}

std::vector<RegView> Win32Registry::Views() const
{
    if (IsWindows64()) {
        return {RegView::Native, RegView::Wow32};
    }
    return {RegView::Native};
}

} // namespace hivetidy::win32
