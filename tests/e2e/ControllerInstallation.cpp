#include "ControllerInstallation.h"

#include "Files.h"
#include "Text.h"
#include "Wow64.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace hivedrive {

namespace {

constexpr wchar_t kInstallDir[] = L"C:\\Programme\\OMX";
constexpr wchar_t kClasses[] = L"HKEY_CLASSES_ROOT\\";

// Controller classes that have a registration of their own in the native view too.
constexpr wchar_t kServerClass[] = L"{9C1E4A03-3D5B-11D2-9A41-00A024476B18}";
constexpr wchar_t kLogWriterClass[] = L"{9C1E4A04-3D5B-11D2-9A41-00A024476B18}";

// The controller's own type libraries.
constexpr wchar_t kMotionLib[] = L"{4F2A7C10-8B3E-11D2-9A41-00A024476B18}";
constexpr wchar_t kServerLib[] = L"{4F2A7C11-8B3E-11D2-9A41-00A024476B18}";
constexpr wchar_t kKinematicsLib[] = L"{4F2A7C12-8B3E-11D2-9A41-00A024476B18}";
constexpr wchar_t kTypesLib[] = L"{4F2A7C13-8B3E-11D2-9A41-00A024476B18}";
constexpr wchar_t kDiagnosticsLib[] = L"{4F2A7C14-8B3E-11D2-9A41-00A024476B18}";
constexpr wchar_t kUnregisteredLib[] = L"{4F2A7C1F-8B3E-11D2-9A41-00A024476B18}";
constexpr wchar_t kComponentLib[] = L"{D9D7BE6A-10A8-11D1-A07F-00A024476B18}";
// Other software's.
constexpr wchar_t kViewerLib[] = L"{B1E0F3A2-5C44-4A0B-8E61-3C2D9F7A0001}";
constexpr wchar_t kChartsLib[] = L"{B1E0F3A2-5C44-4A0B-8E61-3C2D9F7A0002}";
constexpr wchar_t kSimulatorLib[] = L"{B1E0F3A2-5C44-4A0B-8E61-3C2D9F7A0003}";

std::wstring Folder(const std::wstring& file)
{
    return file.substr(0, file.rfind(L'\\'));
}

std::vector<std::uint8_t> Utf16Bytes(std::wstring_view text)
{
    const std::string bytes = ToUtf16LeBytes(text);
    return {bytes.begin(), bytes.end()};
}

// Every key is written by its plain name through the registration's view, as its installer
// writes it; where that puts it is Windows' business.
void SeedClass(const ComClass& entry, Seeds& seeds)
{
    const View view = entry.view;
    const std::wstring key = std::wstring(kClasses) + L"CLSID\\" + entry.clsid;
    seeds.OwnKey(key, view);
    SetText(key, L"", entry.description, view);
    SetText(key + L"\\" + entry.serverKey, L"", entry.server, view);
    if (entry.serverKey == L"InprocServer32") {
        SetText(key + L"\\" + entry.serverKey, L"ThreadingModel", L"Apartment", view);
    }
    if (!entry.progId.empty()) {
        SetText(key + L"\\ProgID", L"", entry.progId, view);
        if (entry.progIdKeyIsTheClasss) {
            const std::wstring progIdKey = kClasses + entry.progId;
            seeds.OwnKey(progIdKey, view);
            SetText(progIdKey, L"", entry.description, view);
            SetText(progIdKey + L"\\CLSID", L"", entry.clsid, view);
        }
    }
    if (!entry.versionIndependentProgId.empty()) {
        SetText(key + L"\\VersionIndependentProgID", L"", entry.versionIndependentProgId, view);
        const std::wstring independentKey = kClasses + entry.versionIndependentProgId;
        seeds.OwnKey(independentKey, view);
        SetText(independentKey, L"", entry.description, view);
        SetText(independentKey + L"\\CLSID", L"", entry.clsid, view);
        SetText(independentKey + L"\\CurVer", L"", entry.progId, view);
    }
    if (!entry.typeLib.empty()) {
        SetText(key + L"\\TypeLib", L"", entry.typeLib, view);
        SetText(key + L"\\Version", L"", L"1.0", view);
    }
    for (const ExtraValue& extra : entry.extras) {
        const std::wstring extraKey = key + L"\\" + extra.subkey;
        if (extra.value.type == REG_DWORD) {
            DWORD number = 0;
            std::copy_n(extra.value.data.begin(), sizeof number, reinterpret_cast<std::uint8_t*>(&number));
            SetNumber(extraKey, extra.name, number, view);
        } else {
            SetBinary(extraKey, extra.name, extra.value.data, view);
        }
    }
}

void SeedTypeLibrary(const TypeLibrary& library, Seeds& seeds)
{
    const View view = library.view;
    const std::wstring key = std::wstring(kClasses) + L"TypeLib\\" + library.libId;
    seeds.OwnKey(key, view);
    for (std::size_t i = 0; i < library.win32Files.size(); ++i) {
        const std::wstring version = key + L"\\" + std::to_wstring(i + 1) + L".0";
        SetText(version, L"", library.description, view);
        SetText(version + L"\\0\\win32", L"", library.win32Files[i], view);
        SetText(version + L"\\FLAGS", L"", L"0", view);
        // Written without its closing backslash, as installers do: the folder alone never counts
        // as a reference into a controller folder, the file in it does.
        SetText(version + L"\\HELPDIR", L"", Folder(library.win32Files[i]), view);
    }
}

void SeedAppPath(const AppPath& path, Seeds& seeds)
{
    const std::wstring key = std::wstring(kAppPathsKey) + L"\\" + path.exeName;
    seeds.OwnKey(key, path.view);
    SetText(key, L"", path.file, path.view);
    if (!path.searchPath.empty()) {
        SetText(key, L"Path", path.searchPath, path.view);
    }
}

void SeedMakerKey(const MakerKey& maker, Seeds& seeds)
{
    seeds.OwnKey(maker.fullName, maker.view);
    CreateKey(maker.fullName, maker.view);
    for (const auto& [name, text] : maker.settings) {
        SetText(maker.fullName + L"\\OMX\\Settings", name, text, maker.view);
    }
    if (!maker.installationDir.empty()) {
        SetText(maker.fullName + L"\\Version", L"InstallationDir", maker.installationDir, maker.view);
        SetText(maker.fullName + L"\\Version", L"Version", L"5.2.1", maker.view);
    }
}

// The same entries, each written through the view.
template <class Entry>
std::vector<Entry> WrittenThrough(View view, std::vector<Entry> entries)
{
    for (Entry& entry : entries) {
        entry.view = view;
    }
    return entries;
}

bool SameKey(std::wstring_view a, std::wstring_view b)
{
    return EqualsIgnoreCase(a, b);
}

std::wstring UpperCase(std::wstring text)
{
    ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The run's removals as it makes them, one attempt after the other: an attempt removes (and the
// log names) the key only when it is still there, that is, when it existed before the run and no
// earlier removal took it or a key above it away, also not through another root's view of it.
class RemovalPlan {
public:
    void Attempt(const std::wstring& fullName)
    {
        const std::wstring canonical = UpperCase(CanonicalName(fullName));
        for (std::size_t end = canonical.find(L'\\');; end = canonical.find(L'\\', end + 1)) {
            if (m_gone.contains(canonical.substr(0, end))) {
                return;
            }
            if (end == std::wstring::npos) {
                break;
            }
        }
        if (KeyExists(fullName)) {
            m_gone.insert(canonical);
            m_removed.push_back(fullName);
        }
    }

    [[nodiscard]] std::vector<std::wstring> Removed() const { return m_removed; }

private:
    std::set<std::wstring> m_gone; // upper-cased canonical names of the removed keys
    std::vector<std::wstring> m_removed;
};

// The entries that are in one key, by their key name, letter case ignored as the registry ignores it.
template <class Entry, class NameOf>
class ByName {
public:
    // `placeOf` is the native name of the key an entry's view puts it in; `key` the walked one.
    template <class PlaceOf>
    ByName(const std::vector<Entry>& entries, NameOf nameOf, PlaceOf placeOf, std::wstring_view key)
    {
        for (const Entry& entry : entries) {
            if (SameKey(placeOf(PlacesOf(entry.view)), key)) {
                m_index.emplace(UpperCase(nameOf(entry)), &entry);
            }
        }
    }

    // The entry of that name, when it is one the run removes.
    [[nodiscard]] const Entry* Removed(const std::wstring& name) const
    {
        const auto found = m_index.find(UpperCase(name));
        return found != m_index.end() && found->second->fate == Fate::Removed ? found->second : nullptr;
    }

private:
    std::map<std::wstring, const Entry*> m_index;
};

} // namespace

const std::vector<ViewPlaces>& PlacesOfEachView()
{
    // Stated here as Wine 8 does it, not found out the way the program finds it out, so that the
    // program's way is checked against it. The 32-bit view has its own class keys below
    // WOW6432Node and its own machine software below SOFTWARE\WOW6432Node; its TypeLib and App
    // Paths keys are links to the native ones, so those it shares.
    static const std::vector<ViewPlaces> places = [] {
        std::vector<ViewPlaces> views{{
            View::Native,
            L"HKEY_CLASSES_ROOT\\CLSID",
            L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID",
            L"HKEY_CLASSES_ROOT\\",
            L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\",
            L"HKEY_CLASSES_ROOT\\TypeLib",
            L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\TypeLib",
            kAppPathsKey,
            kMakerKeyMachine,
        }};
        if (IsWindows64()) {
            ViewPlaces wow32 = views.front();
            wow32.view = View::Wow32;
            wow32.classIds = L"HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID";
            wow32.machineClassIds = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\WOW6432Node\\CLSID";
#ifdef _WIN64
            // A ProgID key is new right below HKEY_CLASSES_ROOT. Written by a 64-bit program through
            // the 32-bit view, it is the 32-bit view's own. A 32-bit program's HKEY_CLASSES_ROOT,
            // though, falls back to the native key for a name its view does not have, and Wine 8
            // creates the key there, where both views see it: the 32-bit driver's ProgIDs keep the
            // native places above.
            wow32.progIds = L"HKEY_CLASSES_ROOT\\WOW6432Node\\";
            wow32.machineProgIds = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\WOW6432Node\\";
#endif
            wow32.makerKeyMachine = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\ORVA Roboter GmbH";
            views.push_back(std::move(wow32));
        }
        return views;
    }();
    return places;
}

const ViewPlaces& PlacesOf(View view)
{
    const std::vector<ViewPlaces>& views = PlacesOfEachView();
    const auto found =
        std::find_if(views.begin(), views.end(), [&](const ViewPlaces& places) { return places.view == view; });
    return found != views.end() ? *found : views.front();
}

ControllerInstallation ControllerInstallation::Realistic()
{
    ControllerInstallation installation;
    const std::wstring bin = std::wstring(kInstallDir) + L"\\BIN\\";
    const std::wstring lib = std::wstring(kInstallDir) + L"\\LIB\\";

    installation.classes = WrittenThrough<ComClass>(View::Wow32, {
        {L"{9C1E4A01-3D5B-11D2-9A41-00A024476B18}", L"OMX Axis Control", L"InprocServer32", bin + L"omxmotion.dll",
         L"OMX.Axis.1", L"OMX.Axis", kMotionLib, Fate::Removed},
        {L"{9C1E4A02-3D5B-11D2-9A41-00A024476B18}", L"OMX Path Planner", L"InprocServer32", bin + L"omxmotion.dll",
         L"OMX.PathPlanner.1", L"", kMotionLib, Fate::Removed},
        {kServerClass, L"OMX Controller Server", L"LocalServer32",
         L"\"" + bin + L"omxsrv.exe\" /automation", L"OMX.Server.1", L"OMX.Server", kServerLib, Fate::Removed},
        {kLogWriterClass, L"OMX Log Writer", L"InprocServer32",
         L"C:\\Programme\\OMX\\LOG\\omxlogw.dll", L"", L"", L"", Fate::Removed},
        {L"{9C1E4A05-3D5B-11D2-9A41-00A024476B18}", L"OMX Backup Tool", L"LocalServer32",
         L"C:\\PROGRAMME\\OMX\\UTIL\\OMXBAK.EXE", L"OMX.Backup.1", L"", kUnregisteredLib, Fate::Removed},
        // Its server is the system's own; only its type library lies in a controller folder.
        {L"{9C1E4A06-3D5B-11D2-9A41-00A024476B18}", L"OMX Kinematics", L"InprocServer32",
         L"C:\\windows\\system32\\oleaut32.dll", L"OMX.Kinematics.1", L"", kKinematicsLib, Fate::Removed},
        // The registry component itself stays, in the controller folder as it is.
        {L"{10F34644-BFCB-11D1-A080-00A024476B18}", L"ORVAReg RegistryKey", L"InprocServer32",
         lib + L"ORVAREG.DLL", L"ORVAReg.RegistryKey.1", L"", kComponentLib, Fate::Stays},
    });
    installation.typeLibraries = WrittenThrough<TypeLibrary>(View::Wow32, {
        {kMotionLib, L"OMX Motion Control 1.0 Type Library", {bin + L"omxmotion.dll"}, Fate::Removed},
        {kServerLib, L"OMX Controller Server Type Library", {bin + L"omxsrv.exe"}, Fate::Removed},
        {kKinematicsLib, L"OMX Kinematics Type Library", {lib + L"omxkin.tlb"}, Fate::Removed},
        // Registered by no class; two versions, so the type-library pass lists it twice.
        {kTypesLib, L"OMX Common Types", {lib + L"omxtypes.tlb", lib + L"omxtypes2.tlb"}, Fate::Removed},
        {kDiagnosticsLib, L"OMX Diagnostics", {L"c:\\programme\\omx\\util\\OMXDIAG.TLB"}, Fate::Removed},
        {kComponentLib, L"ORVAReg", {L"C:\\PROGRAMME\\OMX\\LIB\\ORVAREG.DLL"}, Fate::Stays},
    });
    installation.appPaths = WrittenThrough<AppPath>(View::Wow32, {
        {L"omxpanel.exe", bin + L"omxpanel.exe", std::wstring(kInstallDir) + L"\\BIN", Fate::Removed},
        {L"OMXLOGVIEW.EXE", L"\"C:\\Programme\\OMX\\UTIL\\omxlogview.exe\"", L"", Fate::Removed},
        // Only the default value counts: a search path into the controller's folders does not.
        {L"omxhelper.exe", L"C:\\windows\\omxhelper.exe", bin, Fate::Stays},
    });
    installation.makerKeys = {
        {kMakerKeyCurrentUser, {{L"Language", L"deu"}, {L"LastProgram", bin + L"demo.prg"}}},
        {kMakerKeyMachine, {{L"Licence", L"OMX-5-0042-7781"}}, kInstallDir, View::Wow32},
        {kMakerKeyDefaultUser, {{L"Language", L"deu"}}},
    };
    if (IsWindows64()) {
        installation.AddNativeControllerParts();
    }
    installation.AddOrdinaryRegistrations();
    return installation;
}

ControllerInstallation ControllerInstallation::Ordinary()
{
    ControllerInstallation installation;
    installation.AddOrdinaryRegistrations();
    return installation;
}

ControllerInstallation ControllerInstallation::OneOfEachKind()
{
    ControllerInstallation installation;
    const std::wstring bin = std::wstring(kInstallDir) + L"\\BIN\\";
    ComClass axis{L"{9C1E4A01-3D5B-11D2-9A41-00A024476B18}", L"OMX Axis Control", L"InprocServer32",
                  bin + L"omxmotion.dll", L"OMX.Axis.1", L"", kMotionLib, Fate::Removed};
    axis.view = View::Wow32;
    installation.classes.push_back(std::move(axis));
    installation.typeLibraries.push_back(
        {kMotionLib, L"OMX Motion Control 1.0 Type Library", {bin + L"omxmotion.dll"}, Fate::Removed, View::Wow32});
    installation.appPaths.push_back(
        {L"omxpanel.exe", bin + L"omxpanel.exe", std::wstring(kInstallDir) + L"\\BIN", Fate::Removed, View::Wow32});
    installation.AddOrdinaryRegistrations();
    return installation;
}

ControllerInstallation ControllerInstallation::ManyClasses(int count)
{
    ControllerInstallation installation;
    for (int i = 0; i < count; ++i) {
        wchar_t clsid[64];
        std::swprintf(clsid, 64, L"{0E7D%04X-0000-4000-8000-00A024476B18}", i);
        wchar_t server[64];
        std::swprintf(server, 64, L"C:\\Programme\\OMX\\BIN\\gen%04d.dll", i);
        ComClass generated{clsid, L"OMX Generated Class", L"InprocServer32", server, L"", L"", L"", Fate::Removed};
        generated.view = View::Wow32;
        installation.classes.push_back(std::move(generated));
    }
    return installation;
}

void ControllerInstallation::AddNativeControllerParts()
{
    const std::wstring bin = std::wstring(kInstallDir) + L"\\BIN\\";
    const std::vector<ComClass> native = {
        // A local server serves both kinds of client, so it is registered in both views; told
        // apart by its description, so that a view mixed up in an export or import shows.
        {kServerClass, L"OMX Controller Server (64-bit clients)", L"LocalServer32",
         L"\"" + bin + L"omxsrv.exe\" /automation", L"OMX.Server.1", L"OMX.Server", kServerLib, Fate::Removed},
        // A 64-bit build of a 32-bit class, with the type library both share.
        {L"{9C1E4A08-3D5B-11D2-9A41-00A024476B18}", L"OMX Axis Control (64-bit)", L"InprocServer32",
         bin + L"omxmotion64.dll", L"OMX.Axis64.1", L"", kMotionLib, Fate::Removed},
        // The same class as the 32-bit log writer, served in the native view from outside the
        // controller's folders: only the 32-bit registration goes.
        {kLogWriterClass, L"OMX Log Writer", L"InprocServer32", L"C:\\windows\\system32\\omxlogw.dll"},
    };
    classes.insert(classes.end(), native.begin(), native.end());
    // Left by a 64-bit add-on once installed in the system's folder for 64-bit programs: the
    // controller's own record, in the 32-bit view, is the one that names its folder.
    makerKeys.push_back({kMakerKeyMachine, {{L"Service", L"omxsvc64"}}, L"C:\\Program Files\\OMX", View::Native});
}

void ControllerInstallation::AddOrdinaryRegistrations()
{
    const std::wstring acme = L"C:\\Program Files\\Acme Tools\\";
    // Some in each view, so that each view's pass must leave its near misses alone.
    std::vector<ComClass> ordinary = WrittenThrough<ComClass>(View::Native, {
        {L"{B1E0F3A2-5C44-4A0B-8E61-3C2D9F7A1001}", L"Acme Viewer Control", L"InprocServer32", acme + L"acmeview.dll",
         L"Acme.Viewer.1", L"Acme.Viewer", kViewerLib},
        // Near misses: a folder that only begins like a controller folder.
        {L"{B1E0F3A2-5C44-4A0B-8E61-3C2D9F7A1004}", L"OMX Legacy Library", L"InprocServer32",
         L"C:\\Programme\\OMX\\LIBRARY\\omxlegacy.dll"},
        // A controller path in data that is not text never counts.
        {L"{B1E0F3A2-5C44-4A0B-8E61-3C2D9F7A1005}",
         L"Acme Settings",
         L"InprocServer32",
         L"C:\\windows\\system32\\oleaut32.dll",
         L"",
         L"",
         L"",
         Fate::Stays,
         true,
         {{L"Settings", L"LastServer", {REG_BINARY, Utf16Bytes(L"C:\\Programme\\OMX\\BIN\\omxmotion.dll")}},
          {L"Settings", L"Enabled", {REG_DWORD, {1, 0, 0, 0}}}}},
    });
    const std::vector<ComClass> ordinary32 = WrittenThrough<ComClass>(View::Wow32, {
        {L"{B1E0F3A2-5C44-4A0B-8E61-3C2D9F7A1002}", L"Acme Text Document", L"LocalServer32",
         L"C:\\windows\\notepad.exe /embedding", L"Acme.TextDocument.1"},
        // Near misses: another drive, a folder beside the controller's.
        {L"{B1E0F3A2-5C44-4A0B-8E61-3C2D9F7A1003}", L"OMX Axis Control (archive disk)", L"InprocServer32",
         L"D:\\Programme\\OMX\\BIN\\omxmotion.dll"},
        {L"{B1E0F3A2-5C44-4A0B-8E61-3C2D9F7A1006}", L"OMX Simulator", L"InprocServer32",
         L"C:\\Programme\\OMXsim\\BIN\\omxsim.dll", L"", L"", kSimulatorLib},
    });
    ordinary.insert(ordinary.end(), ordinary32.begin(), ordinary32.end());
    classes.insert(classes.end(), ordinary.begin(), ordinary.end());

    const std::vector<TypeLibrary> libraries = {
        {kViewerLib, L"Acme Viewer 2.1 Type Library", {acme + L"acmeview.dll"}},
        {kChartsLib, L"Acme Charts Type Library", {acme + L"acmechart.tlb"}, Fate::Stays, View::Wow32},
        {kSimulatorLib, L"OMX Simulator Type Library", {L"C:\\Programme\\OMXsim\\BIN\\omxsim.dll"}, Fate::Stays,
         View::Wow32},
    };
    typeLibraries.insert(typeLibraries.end(), libraries.begin(), libraries.end());

    appPaths.push_back({L"acmeview.exe", acme + L"acmeview.exe", acme.substr(0, acme.size() - 1)});
}

void ControllerInstallation::Seed(Seeds& seeds) const
{
    for (const wchar_t* sub : {L"\\LIB", L"\\BIN", L"\\UTIL", L"\\LOG"}) {
        seeds.OwnFolder(kInstallDir + std::wstring(sub));
    }
    for (const wchar_t* file : {L"LIB\\ORVAREG.DLL", L"LIB\\omxkin.tlb", L"LIB\\omxtypes.tlb", L"BIN\\omxmotion.dll",
                                L"BIN\\omxsrv.exe", L"BIN\\omxpanel.exe", L"UTIL\\OMXBAK.EXE", L"LOG\\omxlogw.dll"}) {
        WriteBytes(kInstallDir + std::wstring(L"\\") + file, "MZ");
    }
    for (const ComClass& entry : classes) {
        SeedClass(entry, seeds);
    }
    for (const TypeLibrary& library : typeLibraries) {
        SeedTypeLibrary(library, seeds);
    }
    for (const AppPath& path : appPaths) {
        SeedAppPath(path, seeds);
    }
    for (const MakerKey& maker : makerKeys) {
        SeedMakerKey(maker, seeds);
    }
}

std::vector<std::wstring> ControllerInstallation::ExpectedRemovals(bool makerKeysTicked) const
{
    RemovalPlan plan;
    const std::vector<ViewPlaces>& views = PlacesOfEachView();
    // A pass walks a key of the 32-bit view only where the view has a key of its own there: a key
    // both views share is walked once, in the native view, which comes first.
    const auto walked = [&](const ViewPlaces& places, std::wstring ViewPlaces::*key) {
        return places.view == View::Native || !SameKey(places.*key, views.front().*key);
    };

    // Class pass of each view: every removed class in the order the registry enumerates the view's
    // class keys, each with its ProgID key, its class key and its type library when that is the
    // controller's own.
    const auto controllersLibrary = [&](const std::wstring& libId) {
        return std::any_of(typeLibraries.begin(), typeLibraries.end(), [&](const TypeLibrary& library) {
            return library.fate == Fate::Removed && SameKey(library.libId, libId);
        });
    };
    for (const ViewPlaces& places : views) {
        if (!walked(places, &ViewPlaces::classIds)) {
            continue;
        }
        const ByName removedClasses(
            classes, [](const ComClass& entry) { return entry.clsid; },
            [](const ViewPlaces& place) { return place.classIds; }, places.classIds);
        for (const std::wstring& name : SubkeyNames(places.classIds)) {
            const ComClass* entry = removedClasses.Removed(name);
            if (!entry) {
                continue;
            }
            if (!entry->progId.empty() && entry->progIdKeyIsTheClasss) {
                plan.Attempt(places.progIds + entry->progId);
                plan.Attempt(places.machineProgIds + entry->progId);
            }
            plan.Attempt(places.classIds + L"\\" + name);
            plan.Attempt(places.machineClassIds + L"\\" + name);
            if (controllersLibrary(entry->typeLib)) {
                plan.Attempt(places.typeLibs + L"\\" + entry->typeLib);
                plan.Attempt(places.machineTypeLibs + L"\\" + entry->typeLib);
            }
        }
    }

    // Type-library pass: once per passing value, so once per version.
    for (const ViewPlaces& places : views) {
        if (!walked(places, &ViewPlaces::typeLibs)) {
            continue;
        }
        const ByName removedLibraries(
            typeLibraries, [](const TypeLibrary& library) { return library.libId; },
            [](const ViewPlaces& place) { return place.typeLibs; }, places.typeLibs);
        for (const std::wstring& name : SubkeyNames(places.typeLibs)) {
            if (const TypeLibrary* library = removedLibraries.Removed(name)) {
                for (std::size_t i = 0; i < library->win32Files.size(); ++i) {
                    plan.Attempt(places.typeLibs + L"\\" + name);
                    plan.Attempt(places.machineTypeLibs + L"\\" + name);
                }
            }
        }
    }

    for (const ViewPlaces& places : views) {
        if (!walked(places, &ViewPlaces::appPaths)) {
            continue;
        }
        const ByName removedPaths(
            appPaths, [](const AppPath& path) { return path.exeName; },
            [](const ViewPlaces& place) { return place.appPaths; }, places.appPaths);
        for (const std::wstring& name : SubkeyNames(places.appPaths)) {
            if (removedPaths.Removed(name)) {
                plan.Attempt(places.appPaths + L"\\" + name);
            }
        }
    }

    if (makerKeysTicked) {
        plan.Attempt(kMakerKeyCurrentUser);
        for (const ViewPlaces& places : views) {
            plan.Attempt(places.makerKeyMachine);
        }
        for (const std::wstring& hive : SubkeyNames(L"HKEY_USERS")) {
            plan.Attempt(L"HKEY_USERS\\" + hive + L"\\Software\\ORVA Roboter GmbH");
        }
    }
    return plan.Removed();
}

bool MakerKeyExistsAnywhere()
{
    bool found = KeyExists(kMakerKeyCurrentUser) || KeyExists(kMakerKeyMachine) ||
                 KeyExists(kMakerKeyMachine, View::Wow32);
    for (const std::wstring& hive : SubkeyNames(L"HKEY_USERS")) {
        found = found || KeyExists(L"HKEY_USERS\\" + hive + L"\\Software\\ORVA Roboter GmbH");
    }
    return found;
}

} // namespace hivedrive
