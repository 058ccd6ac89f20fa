#include "ControllerInstallation.h"

#include "Files.h"
#include "Text.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace hivedrive {

namespace {

constexpr wchar_t kInstallDir[] = L"C:\\Programme\\OMX";
constexpr wchar_t kClasses[] = L"HKEY_CLASSES_ROOT\\";
constexpr wchar_t kMachineClasses[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\";

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

void SeedClass(const ComClass& entry, Seeds& seeds)
{
    const std::wstring key = std::wstring(kClasses) + L"CLSID\\" + entry.clsid;
    seeds.OwnKey(key);
    SetText(key, L"", entry.description);
    SetText(key + L"\\" + entry.serverKey, L"", entry.server);
    if (entry.serverKey == L"InprocServer32") {
        SetText(key + L"\\" + entry.serverKey, L"ThreadingModel", L"Apartment");
    }
    if (!entry.progId.empty()) {
        SetText(key + L"\\ProgID", L"", entry.progId);
        if (entry.progIdKeyIsTheClasss) {
            const std::wstring progIdKey = kClasses + entry.progId;
            seeds.OwnKey(progIdKey);
            SetText(progIdKey, L"", entry.description);
            SetText(progIdKey + L"\\CLSID", L"", entry.clsid);
        }
    }
    if (!entry.versionIndependentProgId.empty()) {
        SetText(key + L"\\VersionIndependentProgID", L"", entry.versionIndependentProgId);
        const std::wstring independentKey = kClasses + entry.versionIndependentProgId;
        seeds.OwnKey(independentKey);
        SetText(independentKey, L"", entry.description);
        SetText(independentKey + L"\\CLSID", L"", entry.clsid);
        SetText(independentKey + L"\\CurVer", L"", entry.progId);
    }
    if (!entry.typeLib.empty()) {
        SetText(key + L"\\TypeLib", L"", entry.typeLib);
        SetText(key + L"\\Version", L"", L"1.0");
    }
    for (const ExtraValue& extra : entry.extras) {
        const std::wstring extraKey = key + L"\\" + extra.subkey;
        if (extra.value.type == REG_DWORD) {
            DWORD number = 0;
            std::copy_n(extra.value.data.begin(), sizeof number, reinterpret_cast<std::uint8_t*>(&number));
            SetNumber(extraKey, extra.name, number);
        } else {
            SetBinary(extraKey, extra.name, extra.value.data);
        }
    }
}

void SeedTypeLibrary(const TypeLibrary& library, Seeds& seeds)
{
    const std::wstring key = std::wstring(kClasses) + L"TypeLib\\" + library.libId;
    seeds.OwnKey(key);
    for (std::size_t i = 0; i < library.win32Files.size(); ++i) {
        const std::wstring version = key + L"\\" + std::to_wstring(i + 1) + L".0";
        SetText(version, L"", library.description);
        SetText(version + L"\\0\\win32", L"", library.win32Files[i]);
        SetText(version + L"\\FLAGS", L"", L"0");
        // Written without its closing backslash, as installers do: the folder alone never counts
        // as a reference into a controller folder, the file in it does.
        SetText(version + L"\\HELPDIR", L"", Folder(library.win32Files[i]));
    }
}

void SeedAppPath(const AppPath& path, Seeds& seeds)
{
    const std::wstring key = std::wstring(kAppPathsKey) + L"\\" + path.exeName;
    seeds.OwnKey(key);
    SetText(key, L"", path.file);
    if (!path.searchPath.empty()) {
        SetText(key, L"Path", path.searchPath);
    }
}

void SeedMakerKey(const MakerKey& maker, Seeds& seeds)
{
    seeds.OwnKey(maker.fullName);
    CreateKey(maker.fullName);
    for (const auto& [name, text] : maker.settings) {
        SetText(maker.fullName + L"\\OMX\\Settings", name, text);
    }
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

    void AttemptBothViews(const std::wstring& belowClasses)
    {
        Attempt(kClasses + belowClasses);
        Attempt(kMachineClasses + belowClasses);
    }

    [[nodiscard]] std::vector<std::wstring> Removed() const { return m_removed; }

private:
    std::set<std::wstring> m_gone; // upper-cased canonical names of the removed keys
    std::vector<std::wstring> m_removed;
};

// The entries by their key name, letter case ignored as the registry ignores it.
template <class Entry, class NameOf>
class ByName {
public:
    ByName(const std::vector<Entry>& entries, NameOf nameOf)
    {
        for (const Entry& entry : entries) {
            m_index.emplace(UpperCase(nameOf(entry)), &entry);
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

ControllerInstallation ControllerInstallation::Realistic()
{
    ControllerInstallation installation;
    const std::wstring bin = std::wstring(kInstallDir) + L"\\BIN\\";
    const std::wstring lib = std::wstring(kInstallDir) + L"\\LIB\\";

    installation.classes = {
        {L"{9C1E4A01-3D5B-11D2-9A41-00A024476B18}", L"OMX Axis Control", L"InprocServer32", bin + L"omxmotion.dll",
         L"OMX.Axis.1", L"OMX.Axis", kMotionLib, Fate::Removed},
        {L"{9C1E4A02-3D5B-11D2-9A41-00A024476B18}", L"OMX Path Planner", L"InprocServer32", bin + L"omxmotion.dll",
         L"OMX.PathPlanner.1", L"", kMotionLib, Fate::Removed},
        {L"{9C1E4A03-3D5B-11D2-9A41-00A024476B18}", L"OMX Controller Server", L"LocalServer32",
         L"\"" + bin + L"omxsrv.exe\" /automation", L"OMX.Server.1", L"OMX.Server", kServerLib, Fate::Removed},
        {L"{9C1E4A04-3D5B-11D2-9A41-00A024476B18}", L"OMX Log Writer", L"InprocServer32",
         L"C:\\Programme\\OMX\\LOG\\omxlogw.dll", L"", L"", L"", Fate::Removed},
        {L"{9C1E4A05-3D5B-11D2-9A41-00A024476B18}", L"OMX Backup Tool", L"LocalServer32",
         L"C:\\PROGRAMME\\OMX\\UTIL\\OMXBAK.EXE", L"OMX.Backup.1", L"", kUnregisteredLib, Fate::Removed},
        // Its server is the system's own; only its type library lies in a controller folder.
        {L"{9C1E4A06-3D5B-11D2-9A41-00A024476B18}", L"OMX Kinematics", L"InprocServer32",
         L"C:\\windows\\system32\\oleaut32.dll", L"OMX.Kinematics.1", L"", kKinematicsLib, Fate::Removed},
        // The registry component itself stays, in the controller folder as it is.
        {L"{10F34644-BFCB-11D1-A080-00A024476B18}", L"ORVAReg RegistryKey", L"InprocServer32",
         lib + L"ORVAREG.DLL", L"ORVAReg.RegistryKey.1", L"", kComponentLib, Fate::Stays},
    };
    installation.typeLibraries = {
        {kMotionLib, L"OMX Motion Control 1.0 Type Library", {bin + L"omxmotion.dll"}, Fate::Removed},
        {kServerLib, L"OMX Controller Server Type Library", {bin + L"omxsrv.exe"}, Fate::Removed},
        {kKinematicsLib, L"OMX Kinematics Type Library", {lib + L"omxkin.tlb"}, Fate::Removed},
        // Registered by no class; two versions, so the type-library pass lists it twice.
        {kTypesLib, L"OMX Common Types", {lib + L"omxtypes.tlb", lib + L"omxtypes2.tlb"}, Fate::Removed},
        {kDiagnosticsLib, L"OMX Diagnostics", {L"c:\\programme\\omx\\util\\OMXDIAG.TLB"}, Fate::Removed},
        {kComponentLib, L"ORVAReg", {L"C:\\PROGRAMME\\OMX\\LIB\\ORVAREG.DLL"}, Fate::Stays},
    };
    installation.appPaths = {
        {L"omxpanel.exe", bin + L"omxpanel.exe", std::wstring(kInstallDir) + L"\\BIN", Fate::Removed},
        {L"OMXLOGVIEW.EXE", L"\"C:\\Programme\\OMX\\UTIL\\omxlogview.exe\"", L"", Fate::Removed},
        // Only the default value counts: a search path into the controller's folders does not.
        {L"omxhelper.exe", L"C:\\windows\\omxhelper.exe", bin, Fate::Stays},
    };
    installation.makerKeys = {
        {kMakerKeyCurrentUser, {{L"Language", L"deu"}, {L"LastProgram", bin + L"demo.prg"}}},
        {kMakerKeyMachine, {{L"Licence", L"OMX-5-0042-7781"}}},
        {kMakerKeyDefaultUser, {{L"Language", L"deu"}}},
    };
    installation.AddOrdinaryRegistrations();
    return installation;
}

ControllerInstallation ControllerInstallation::Ordinary()
{
    ControllerInstallation installation;
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
        installation.classes.push_back({clsid, L"OMX Generated Class", L"InprocServer32", server, L"", L"", L"",
                                        Fate::Removed});
    }
    return installation;
}

void ControllerInstallation::AddOrdinaryRegistrations()
{
    const std::wstring acme = L"C:\\Program Files\\Acme Tools\\";
    const std::vector<ComClass> ordinary = {
        {L"{B1E0F3A2-5C44-4A0B-8E61-3C2D9F7A1001}", L"Acme Viewer Control", L"InprocServer32", acme + L"acmeview.dll",
         L"Acme.Viewer.1", L"Acme.Viewer", kViewerLib},
        {L"{B1E0F3A2-5C44-4A0B-8E61-3C2D9F7A1002}", L"Acme Text Document", L"LocalServer32",
         L"C:\\windows\\notepad.exe /embedding", L"Acme.TextDocument.1"},
        // Near misses: another drive, a folder that only begins like a controller folder, a
        // folder beside the controller's.
        {L"{B1E0F3A2-5C44-4A0B-8E61-3C2D9F7A1003}", L"OMX Axis Control (archive disk)", L"InprocServer32",
         L"D:\\Programme\\OMX\\BIN\\omxmotion.dll"},
        {L"{B1E0F3A2-5C44-4A0B-8E61-3C2D9F7A1004}", L"OMX Legacy Library", L"InprocServer32",
         L"C:\\Programme\\OMX\\LIBRARY\\omxlegacy.dll"},
        {L"{B1E0F3A2-5C44-4A0B-8E61-3C2D9F7A1006}", L"OMX Simulator", L"InprocServer32",
         L"C:\\Programme\\OMXsim\\BIN\\omxsim.dll", L"", L"", kSimulatorLib},
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
    };
    classes.insert(classes.end(), ordinary.begin(), ordinary.end());

    const std::vector<TypeLibrary> libraries = {
        {kViewerLib, L"Acme Viewer 2.1 Type Library", {acme + L"acmeview.dll"}},
        {kChartsLib, L"Acme Charts Type Library", {acme + L"acmechart.tlb"}},
        {kSimulatorLib, L"OMX Simulator Type Library", {L"C:\\Programme\\OMXsim\\BIN\\omxsim.dll"}},
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
    if (std::any_of(makerKeys.begin(), makerKeys.end(),
                    [](const MakerKey& maker) { return maker.fullName == kMakerKeyMachine; })) {
        SetText(std::wstring(kMakerKeyMachine) + L"\\Version", L"InstallationDir", kInstallDir);
        SetText(std::wstring(kMakerKeyMachine) + L"\\Version", L"Version", L"5.2.1");
    }
}

std::vector<std::wstring> ControllerInstallation::ExpectedRemovals(bool makerKeysTicked) const
{
    RemovalPlan plan;

    // Class pass: every removed class in the order the registry enumerates the class keys, each
    // with its ProgID key, its class key and its type library, in both views.
    const ByName removedClasses(classes, [](const ComClass& entry) { return entry.clsid; });
    for (const std::wstring& name : SubkeyNames(L"HKEY_CLASSES_ROOT\\CLSID")) {
        const ComClass* entry = removedClasses.Removed(name);
        if (!entry) {
            continue;
        }
        if (!entry->progId.empty() && entry->progIdKeyIsTheClasss) {
            plan.AttemptBothViews(entry->progId);
        }
        plan.AttemptBothViews(L"CLSID\\" + name);
        if (!entry->typeLib.empty()) {
            plan.AttemptBothViews(L"TypeLib\\" + entry->typeLib);
        }
    }

    // Type-library pass: once per passing value, so once per version.
    const ByName removedLibraries(typeLibraries, [](const TypeLibrary& library) { return library.libId; });
    for (const std::wstring& name : SubkeyNames(L"HKEY_CLASSES_ROOT\\TypeLib")) {
        if (const TypeLibrary* library = removedLibraries.Removed(name)) {
            for (std::size_t i = 0; i < library->win32Files.size(); ++i) {
                plan.AttemptBothViews(L"TypeLib\\" + name);
            }
        }
    }

    const ByName removedPaths(appPaths, [](const AppPath& path) { return path.exeName; });
    for (const std::wstring& name : SubkeyNames(kAppPathsKey)) {
        if (removedPaths.Removed(name)) {
            plan.Attempt(std::wstring(kAppPathsKey) + L"\\" + name);
        }
    }

    if (makerKeysTicked) {
        plan.Attempt(kMakerKeyCurrentUser);
        plan.Attempt(kMakerKeyMachine);
        for (const std::wstring& hive : SubkeyNames(L"HKEY_USERS")) {
            plan.Attempt(L"HKEY_USERS\\" + hive + L"\\Software\\ORVA Roboter GmbH");
        }
    }
    return plan.Removed();
}

} // namespace hivedrive
