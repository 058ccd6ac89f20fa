#include "WalkedTrees.h"

#include "DriverError.h"
#include "NtRegistry.h"
#include "Text.h"
#include "Wow64.h"

#include <array>

namespace hivebench {

namespace {

using hivedrive::DriverError;
using hivedrive::StartsWithIgnoreCase;
using hivedrive::UniqueHkey;

struct Place {
    HKEY root;
    const wchar_t* path;
};

const std::array<Place, 3> kPlaces{{
    {HKEY_CLASSES_ROOT, L"CLSID"},
    {HKEY_CLASSES_ROOT, L"TypeLib"},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths"},
}};

UniqueHkey OpenInView(HKEY root, const std::wstring& path, REGSAM view)
{
    UniqueHkey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS) {
        return {};
    }
    return key;
}

// The registry editor's name of a key from the kernel's one. HKEY_CLASSES_ROOT is the machine's
// Classes key here, as Wine has it.
std::wstring EditorNameOf(const std::wstring& kernelName)
{
    constexpr std::wstring_view kClasses = L"\\REGISTRY\\MACHINE\\SOFTWARE\\Classes";
    constexpr std::wstring_view kMachine = L"\\REGISTRY\\MACHINE";
    if (StartsWithIgnoreCase(kernelName, kClasses)) {
        return L"HKEY_CLASSES_ROOT" + kernelName.substr(kClasses.size());
    }
    if (StartsWithIgnoreCase(kernelName, kMachine)) {
        return L"HKEY_LOCAL_MACHINE" + kernelName.substr(kMachine.size());
    }
    throw DriverError("a key outside the machine's registry: " + hivedrive::ToUtf8(kernelName));
}

} // namespace

std::vector<WalkedTree> TreesOfARun()
{
    std::vector<WalkedTree> native;
    std::vector<WalkedTree> wow32;
    const bool windows64 = hivedrive::IsWindows64();
    for (const Place& place : kPlaces) {
        const REGSAM nativeView = windows64 ? KEY_WOW64_64KEY : 0;
        const UniqueHkey nativeKey = OpenInView(place.root, place.path, nativeView);
        if (!nativeKey) {
            throw DriverError("cannot open " + hivedrive::ToUtf8(place.path));
        }
        const std::wstring nativeName = KernelNameOf(nativeKey.get());
        native.push_back({place.root, place.path, nativeView, L"native", EditorNameOf(nativeName)});
        if (!windows64) {
            continue;
        }
        const UniqueHkey wowKey = OpenInView(place.root, place.path, KEY_WOW64_32KEY);
        if (!wowKey) {
            continue;
        }
        const std::wstring wowName = KernelNameOf(wowKey.get());
        if (!hivedrive::EqualsIgnoreCase(wowName, nativeName)) {
            wow32.push_back({place.root, place.path, KEY_WOW64_32KEY, L"32-bit", EditorNameOf(wowName)});
        }
    }
    native.insert(native.end(), wow32.begin(), wow32.end());
    return native;
}

UniqueHkey OpenTop(const WalkedTree& tree)
{
    UniqueHkey key = OpenInView(tree.root, tree.path, tree.view);
    if (!key) {
        throw DriverError("cannot open " + hivedrive::ToUtf8(tree.fullName));
    }
    return key;
}

} // namespace hivebench
