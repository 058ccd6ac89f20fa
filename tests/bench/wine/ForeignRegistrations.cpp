#include "ForeignRegistrations.h"

#include "ControllerInstallation.h"
#include "DriverError.h"
#include "Registry.h"
#include "Seeds.h"
#include "Text.h"
#include "UniqueHandle.h"
#include "Wow64.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cwctype>
#include <functional>
#include <string>

namespace hivebench {

namespace {

using hivedrive::DriverError;
using hivedrive::UniqueHkey;

struct Vendor {
    const wchar_t* folder;
    const wchar_t* prefix; // of ProgIDs and file names
};

constexpr std::array<Vendor, 8> kVendors{{
    {L"Acme Tools", L"Acme"},
    {L"Nordwerk Software", L"Nordwerk"},
    {L"Bluefin Imaging", L"Bluefin"},
    {L"Larkspur Systems", L"Larkspur"},
    {L"Fernhill Data", L"Fernhill"},
    {L"Kestrelsoft", L"Kestrel"},
    {L"Orchard Office", L"Orchard"},
    {L"Quillby Labs", L"Quillby"},
}};

const Vendor& VendorOf(int index)
{
    return kVendors[static_cast<std::size_t>(index) % kVendors.size()];
}

std::wstring ProgramFiles(const Vendor& vendor)
{
    return std::wstring(L"C:\\Program Files\\") + vendor.folder;
}

// Scatters the index over 64 bits, so that the GUIDs spread over the whole key list as real
// ones do instead of sorting in the order they were written.
std::uint64_t Scatter(std::uint64_t value)
{
    value += 0x9E3779B97F4A7C15ULL;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
    return value ^ (value >> 31);
}

// A GUID of the version-4 form, the same for the same kind and index.
std::wstring GuidOf(std::uint64_t kind, int index)
{
    const std::uint64_t high = Scatter(kind * 0x100000000ULL + static_cast<std::uint64_t>(index));
    const std::uint64_t low = Scatter(high);
    wchar_t text[40];
    std::swprintf(text, 40, L"{%08X-%04X-4%03X-%04X-%012llX}", static_cast<unsigned>(high >> 32),
                  static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0xFFF),
                  static_cast<unsigned>(0x8000 | ((low >> 48) & 0x3FFF)),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
    return text;
}

constexpr std::uint64_t kClassKind = 1;
constexpr std::uint64_t kTypeLibraryKind = 2;

std::wstring ClassIdOf(int index) { return GuidOf(kClassKind, index); }
std::wstring LibraryIdOf(int index) { return GuidOf(kTypeLibraryKind, index); }

std::wstring ProgIdOf(int index)
{
    return std::wstring(VendorOf(index).prefix) + L".Component" + std::to_wstring(index) + L".1";
}

std::wstring AppPathNameOf(int index)
{
    std::wstring name = VendorOf(index).prefix;
    for (wchar_t& letter : name) {
        letter = static_cast<wchar_t>(std::towlower(letter));
    }
    return name + L"tool" + std::to_wstring(index) + L".exe";
}

// The native view's flag; 0 on 32-bit Windows, which has only that one.
REGSAM NativeView()
{
    return hivedrive::IsWindows64() ? KEY_WOW64_64KEY : 0;
}

UniqueHkey Create(HKEY parent, const std::wstring& name)
{
    UniqueHkey key;
    const LSTATUS status = ::RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_WRITE | NativeView(), nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) {
        hivedrive::ThrowWin32Error(L"RegCreateKeyExW " + name, static_cast<unsigned long>(status));
    }
    return key;
}

// With its terminating NUL, as installers and the registry editor write text.
void SetText(HKEY key, const wchar_t* name, const std::wstring& text)
{
    const LSTATUS status = ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) {
        hivedrive::ThrowWin32Error(L"RegSetValueExW " + std::wstring(name), static_cast<unsigned long>(status));
    }
}

bool HasSubkey(HKEY parent, const std::wstring& name)
{
    UniqueHkey key;
    return ::RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | NativeView(), key.put()) == ERROR_SUCCESS;
}

bool HasValue(HKEY parent, const std::wstring& subkey, const wchar_t* name)
{
    UniqueHkey key;
    return ::RegOpenKeyExW(parent, subkey.c_str(), 0, KEY_READ | NativeView(), key.put()) == ERROR_SUCCESS &&
           ::RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// How many of the first `wanted` entries are there already. They are written in index order and
// each is asked for by the part of it written last, so the whole ones are a run from 0, found by
// halving; one that a seed was cut short in is not counted and is written again.
int AlreadyWritten(int wanted, const std::function<bool(int)>& isThere)
{
    int low = 0;
    int high = wanted; // the first index not there lies in [low, high]
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (isThere(middle)) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

void WriteClass(HKEY classIds, HKEY classesRoot, int index)
{
    const Vendor& vendor = VendorOf(index);
    const std::wstring clsid = ClassIdOf(index);
    const std::wstring progId = ProgIdOf(index);
    const std::wstring description = std::wstring(vendor.prefix) + L" Component " + std::to_wstring(index);
    const UniqueHkey key = Create(classIds, clsid);
    SetText(key.get(), L"", description);
    {
        // Some fifty classes to a server, as components ship.
        const UniqueHkey server = Create(key.get(), L"InprocServer32");
        SetText(server.get(), L"", ProgramFiles(vendor) + L"\\bin\\" + vendor.prefix + L"Core" +
                                       std::to_wstring(index / 50) + L".dll");
        SetText(server.get(), L"ThreadingModel", index % 3 == 0 ? L"Both" : L"Apartment");
    }
    SetText(Create(key.get(), L"ProgID").get(), L"", progId);
    SetText(Create(key.get(), L"TypeLib").get(), L"", LibraryIdOf(index / 10));
    SetText(Create(key.get(), L"Version").get(), L"", L"1.0");

    const UniqueHkey progIdKey = Create(classesRoot, progId);
    SetText(progIdKey.get(), L"", description);
    SetText(Create(progIdKey.get(), L"CLSID").get(), L"", clsid);
}

void WriteTypeLibrary(HKEY typeLibs, int index)
{
    const Vendor& vendor = VendorOf(index);
    const UniqueHkey library = Create(typeLibs, LibraryIdOf(index));
    const UniqueHkey version = Create(library.get(), L"1.0");
    SetText(version.get(), L"", std::wstring(vendor.prefix) + L" Components " + std::to_wstring(index) +
                                    L" Type Library");
    SetText(Create(version.get(), L"0\\win32").get(), L"",
            ProgramFiles(vendor) + L"\\bin\\" + vendor.prefix + L"Lib" + std::to_wstring(index) + L".tlb");
    SetText(Create(version.get(), L"FLAGS").get(), L"", L"0");
    SetText(Create(version.get(), L"HELPDIR").get(), L"", ProgramFiles(vendor) + L"\\help");
}

void WriteAppPath(HKEY appPaths, int index)
{
    const Vendor& vendor = VendorOf(index);
    const UniqueHkey key = Create(appPaths, AppPathNameOf(index));
    SetText(key.get(), L"", ProgramFiles(vendor) + L"\\" + AppPathNameOf(index));
    SetText(key.get(), L"Path", ProgramFiles(vendor));
}

} // namespace

ForeignSizes SizesFor(int classes)
{
    return {classes, classes / 10, classes / 100};
}

SeedReport SeedForeignRegistrations(int classes)
{
    const ForeignSizes wanted = SizesFor(classes);
    const UniqueHkey classesRoot = Create(HKEY_CLASSES_ROOT, L"");
    const UniqueHkey classIds = Create(HKEY_CLASSES_ROOT, L"CLSID");
    const UniqueHkey typeLibs = Create(HKEY_CLASSES_ROOT, L"TypeLib");
    const UniqueHkey appPaths = Create(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths");

    SeedReport report;
    // A class is whole once its ProgID key names it; the ProgID is written last.
    report.before.classes = AlreadyWritten(wanted.classes, [&](int index) {
        return HasSubkey(classesRoot.get(), ProgIdOf(index) + L"\\CLSID");
    });
    report.before.typeLibraries = AlreadyWritten(wanted.typeLibraries, [&](int index) {
        return HasSubkey(typeLibs.get(), LibraryIdOf(index) + L"\\1.0\\HELPDIR");
    });
    report.before.appPaths = AlreadyWritten(wanted.appPaths, [&](int index) {
        return HasValue(appPaths.get(), AppPathNameOf(index), L"Path");
    });

    for (int index = report.before.classes; index < wanted.classes; ++index) {
        WriteClass(classIds.get(), classesRoot.get(), index);
    }
    for (int index = report.before.typeLibraries; index < wanted.typeLibraries; ++index) {
        WriteTypeLibrary(typeLibs.get(), index);
    }
    for (int index = report.before.appPaths; index < wanted.appPaths; ++index) {
        WriteAppPath(appPaths.get(), index);
    }
    report.after = {std::max(wanted.classes, report.before.classes),
                    std::max(wanted.typeLibraries, report.before.typeLibraries),
                    std::max(wanted.appPaths, report.before.appPaths)};
    return report;
}

void SeedControllerInstallation()
{
    using namespace hivedrive;
    if (KeyExists(std::wstring(kMakerKeyMachine) + L"\\Version", View::Wow32)) {
        return;
    }
    // The controller is a 32-bit program: its record is in the 32-bit view, as the e2e fixtures
    // write it.
    ControllerInstallation installation;
    installation.makerKeys = {
        {kMakerKeyMachine, {{L"Licence", L"OMX-5-0042-7781"}}, L"C:\\Programme\\OMX", View::Wow32},
    };
    Seeds seeds;
    installation.Seed(seeds);
    seeds.Keep();
}

} // namespace hivebench
