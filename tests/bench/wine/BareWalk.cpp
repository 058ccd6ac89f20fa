#include "BareWalk.h"

#include "DriverError.h"
#include "NtRegistry.h"
#include "Text.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace hivebench {

namespace {

using hivedrive::DriverError;
using hivedrive::UniqueHkey;

// The largest names the registry allows, with room for the terminating NUL.
constexpr DWORD kMaxKeyName = 256;
constexpr DWORD kMaxValueName = 16384;
constexpr NTSTATUS kBufferOverflow = static_cast<NTSTATUS>(0x80000005L);
constexpr NTSTATUS kBufferTooSmall = static_cast<NTSTATUS>(0xC0000023L);

[[noreturn]] void Fail(const char* step, long status)
{
    throw DriverError(std::string(step) + " failed (status " + std::to_string(status) + ")");
}

// Reads the values of the key one after the other until the registry has none left, into buffers
// that grow when a value does not fit.
void ReadValuesUntilNoMore(HKEY key, std::vector<wchar_t>& name, std::vector<BYTE>& data, WalkTotals& totals)
{
    for (DWORD index = 0;;) {
        // Both lengths come back as those of the value read: set anew for each call.
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        const LSTATUS status = ::RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(),
                                               &dataLength);
        if (status == ERROR_NO_MORE_ITEMS) {
            return;
        }
        if (status == ERROR_MORE_DATA) {
            data.resize(std::max<std::size_t>(dataLength, data.size() * 2));
            continue;
        }
        if (status != ERROR_SUCCESS) {
            Fail("RegEnumValueW", status);
        }
        ++totals.values;
        totals.dataBytes += dataLength;
        ++index;
    }
}

std::vector<std::wstring> SubkeysUntilNoMore(HKEY key)
{
    std::vector<std::wstring> names;
    std::array<wchar_t, kMaxKeyName> name{};
    for (DWORD index = 0;; ++index) {
        DWORD length = kMaxKeyName;
        const LSTATUS status = ::RegEnumKeyExW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) {
            return names;
        }
        if (status != ERROR_SUCCESS) {
            Fail("RegEnumKeyExW", status);
        }
        names.emplace_back(name.data(), length);
    }
}

void WalkNaive(HKEY root, const std::wstring& path, REGSAM view, WalkTotals& totals)
{
    UniqueHkey key;
    const LSTATUS status = ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.put());
    if (status != ERROR_SUCCESS) {
        Fail("RegOpenKeyExW", status);
    }
    ++totals.keys;
    std::vector<wchar_t> name(kMaxValueName);
    std::vector<BYTE> data(65536);
    ReadValuesUntilNoMore(key.get(), name, data, totals);
    const std::vector<std::wstring> subkeys = SubkeysUntilNoMore(key.get());
    key.reset();
    for (const std::wstring& subkey : subkeys) {
        WalkNaive(root, path + L"\\" + subkey, view, totals);
    }
}

// The editor's buffers, shared by the whole walk: it allocates them once per key.
struct EditorBuffers {
    std::vector<wchar_t> valueName = std::vector<wchar_t>(kMaxValueName);
    std::vector<BYTE> data = std::vector<BYTE>(65536);
};

void WalkEnumerating(HKEY key, REGSAM view, EditorBuffers& buffers, WalkTotals& totals)
{
    ++totals.keys;
    ReadValuesUntilNoMore(key, buffers.valueName, buffers.data, totals);
    std::array<wchar_t, kMaxKeyName> name{};
    for (DWORD index = 0;; ++index) {
        DWORD length = kMaxKeyName;
        const LSTATUS status = ::RegEnumKeyExW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) {
            return;
        }
        if (status != ERROR_SUCCESS) {
            Fail("RegEnumKeyExW", status);
        }
        UniqueHkey subkey;
        const LSTATUS opened = ::RegOpenKeyExW(key, name.data(), REG_OPTION_OPEN_LINK, KEY_READ | view, subkey.put());
        if (opened != ERROR_SUCCESS) {
            Fail("RegOpenKeyExW", opened);
        }
        WalkEnumerating(subkey.get(), view, buffers, totals);
    }
}

// Buffers of one depth of the walk, grown to the largest key met there and kept for its siblings.
struct CountedLevel {
    std::vector<wchar_t> keyName;
    std::vector<wchar_t> valueName;
    std::vector<BYTE> data;
};

template <class T>
void GrowTo(std::vector<T>& buffer, std::size_t size)
{
    if (buffer.size() < size) {
        buffer.resize(size);
    }
}

void WalkCounted(HKEY key, REGSAM view, std::vector<CountedLevel>& levels, std::size_t depth, WalkTotals& totals)
{
    DWORD subkeys = 0;
    DWORD maxSubkeyLength = 0;
    DWORD values = 0;
    DWORD maxValueNameLength = 0;
    DWORD maxDataLength = 0;
    const LSTATUS status = ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkeyLength, nullptr,
                                              &values, &maxValueNameLength, &maxDataLength, nullptr, nullptr);
    if (status != ERROR_SUCCESS) {
        Fail("RegQueryInfoKeyW", status);
    }
    ++totals.keys;
    if (levels.size() <= depth) {
        levels.resize(depth + 1);
    }
    CountedLevel& level = levels[depth];
    // The maximum lengths leave out the terminating NUL.
    GrowTo(level.valueName, maxValueNameLength + 1);
    GrowTo(level.data, std::max<DWORD>(maxDataLength, 1));
    for (DWORD index = 0; index < values; ++index) {
        DWORD nameLength = static_cast<DWORD>(level.valueName.size());
        DWORD dataLength = static_cast<DWORD>(level.data.size());
        DWORD type = REG_NONE;
        const LSTATUS read = ::RegEnumValueW(key, index, level.valueName.data(), &nameLength, nullptr, &type,
                                             level.data.data(), &dataLength);
        if (read != ERROR_SUCCESS) {
            Fail("RegEnumValueW", read);
        }
        ++totals.values;
        totals.dataBytes += dataLength;
    }
    GrowTo(level.keyName, maxSubkeyLength + 1);
    for (DWORD index = 0; index < subkeys; ++index) {
        DWORD length = static_cast<DWORD>(levels[depth].keyName.size());
        const LSTATUS listed = ::RegEnumKeyExW(key, index, levels[depth].keyName.data(), &length, nullptr, nullptr,
                                               nullptr, nullptr);
        if (listed != ERROR_SUCCESS) {
            Fail("RegEnumKeyExW", listed);
        }
        UniqueHkey subkey;
        const LSTATUS opened = ::RegOpenKeyExW(key, levels[depth].keyName.data(), REG_OPTION_OPEN_LINK,
                                               KEY_READ | view, subkey.put());
        if (opened != ERROR_SUCCESS) {
            Fail("RegOpenKeyExW", opened);
        }
        // levels may grow below: its elements are reached by index, never kept by reference.
        WalkCounted(subkey.get(), view, levels, depth + 1, totals);
    }
}

// One depth of the ntdll walk: the answers of NtQueryKey, NtEnumerateValueKey and NtEnumerateKey,
// in ULONG-aligned buffers grown to the largest key met there.
struct NtLevel {
    std::vector<ULONG> key = std::vector<ULONG>(64);
    std::vector<ULONG> value = std::vector<ULONG>(64);
    std::vector<ULONG> subkey = std::vector<ULONG>(64);
};

ULONG BytesOf(const std::vector<ULONG>& buffer)
{
    return static_cast<ULONG>(buffer.size() * sizeof(ULONG));
}

void GrowToBytes(std::vector<ULONG>& buffer, std::size_t bytes)
{
    GrowTo(buffer, bytes / sizeof(ULONG) + 1);
}

// An NtQuery*/NtEnumerate* call into the buffer, once more with the size asked for when it was
// too small.
template <class Call>
void AskNt(const char* step, std::vector<ULONG>& buffer, Call call)
{
    ULONG needed = 0;
    NTSTATUS status = call(buffer.data(), BytesOf(buffer), &needed);
    if (status == kBufferOverflow || status == kBufferTooSmall) {
        GrowToBytes(buffer, needed);
        status = call(buffer.data(), BytesOf(buffer), &needed);
    }
    if (status < 0) {
        Fail(step, status);
    }
}

void WalkNt(HANDLE key, std::vector<NtLevel>& levels, std::size_t depth, WalkTotals& totals)
{
    const NtRegistry& nt = Ntdll();
    if (levels.size() <= depth) {
        levels.resize(depth + 1);
    }
    AskNt("NtQueryKey", levels[depth].key, [&](void* buffer, ULONG size, ULONG* needed) {
        return nt.queryKey(key, kKeyFullInformation, buffer, size, needed);
    });
    const auto& info = *reinterpret_cast<const KeyFullInformation*>(levels[depth].key.data());
    const ULONG subkeys = info.subKeys;
    const ULONG values = info.values;
    ++totals.keys;
    // Room for the largest name and data at once; the data follows the name, aligned.
    GrowToBytes(levels[depth].value,
                offsetof(KeyValueFullInformation, name) + info.maxValueNameLength + info.maxValueDataLength + 16);
    GrowToBytes(levels[depth].subkey, offsetof(KeyBasicInformation, name) + info.maxNameLength + sizeof(WCHAR));
    for (ULONG index = 0; index < values; ++index) {
        AskNt("NtEnumerateValueKey", levels[depth].value, [&](void* buffer, ULONG size, ULONG* needed) {
            return nt.enumerateValueKey(key, index, kKeyValueFullInformation, buffer, size, needed);
        });
        ++totals.values;
        totals.dataBytes += reinterpret_cast<const KeyValueFullInformation*>(levels[depth].value.data())->dataLength;
    }
    for (ULONG index = 0; index < subkeys; ++index) {
        AskNt("NtEnumerateKey", levels[depth].subkey, [&](void* buffer, ULONG size, ULONG* needed) {
            return nt.enumerateKey(key, index, kKeyBasicInformation, buffer, size, needed);
        });
        auto& listed = *reinterpret_cast<KeyBasicInformation*>(levels[depth].subkey.data());
        UNICODE_STRING name{static_cast<USHORT>(listed.nameLength), static_cast<USHORT>(listed.nameLength),
                            listed.name};
        OBJECT_ATTRIBUTES attributes{};
        attributes.Length = sizeof attributes;
        attributes.RootDirectory = key;
        attributes.ObjectName = &name;
        attributes.Attributes = OBJ_CASE_INSENSITIVE | kOpenLink;
        HANDLE subkey = nullptr;
        const NTSTATUS opened = nt.openKeyEx(&subkey, KEY_READ, &attributes, 0);
        if (opened < 0) {
            Fail("NtOpenKeyEx", opened);
        }
        try {
            WalkNt(subkey, levels, depth + 1, totals);
        } catch (...) {
            nt.close(subkey);
            throw;
        }
        nt.close(subkey);
    }
}

} // namespace

WalkTotals& WalkTotals::operator+=(const WalkTotals& other)
{
    keys += other.keys;
    values += other.values;
    dataBytes += other.dataBytes;
    return *this;
}

std::optional<WalkMethod> WalkMethodNamed(std::wstring_view name)
{
    for (const WalkMethod method : {WalkMethod::Naive, WalkMethod::Enumerating, WalkMethod::Counted, WalkMethod::Ntdll}) {
        if (name == hivedrive::FromUtf8(NameOf(method))) {
            return method;
        }
    }
    return std::nullopt;
}

const char* NameOf(WalkMethod method)
{
    switch (method) {
    case WalkMethod::Naive:
        return "naive";
    case WalkMethod::Enumerating:
        return "enumerating";
    case WalkMethod::Counted:
        return "counted";
    case WalkMethod::Ntdll:
        return "ntdll";
    }
    return "?";
}

WalkTotals WalkTree(const WalkedTree& tree, WalkMethod method)
{
    WalkTotals totals;
    switch (method) {
    case WalkMethod::Naive:
        WalkNaive(tree.root, tree.path, tree.view, totals);
        break;
    case WalkMethod::Enumerating: {
        const UniqueHkey top = OpenTop(tree);
        EditorBuffers buffers;
        WalkEnumerating(top.get(), tree.view, buffers, totals);
        break;
    }
    case WalkMethod::Counted: {
        const UniqueHkey top = OpenTop(tree);
        std::vector<CountedLevel> levels;
        WalkCounted(top.get(), tree.view, levels, 0, totals);
        break;
    }
    case WalkMethod::Ntdll: {
        const UniqueHkey top = OpenTop(tree);
        std::vector<NtLevel> levels;
        WalkNt(top.get(), levels, 0, totals);
        break;
    }
    }
    return totals;
}

} // namespace hivebench
