#pragma once
// The fixtures: a robot controller's software installed below C:\Programme\OMX and registered in
// the registry the way such an installation registers itself, among registrations of other
// software that a run must leave alone. Each registration states whether a run removes it; from
// that and the registry's own enumeration order follows the exact list of keys a run removes.

#include "Registry.h"
#include "Seeds.h"

#include <string>
#include <vector>

namespace hivedrive {

enum class Fate { Removed, Stays };

// A value below a registration's key, written as it is (for values that are not text).
struct ExtraValue {
    std::wstring subkey;
    std::wstring name;
    RegistryValue value;
};

// A COM class below HKEY_CLASSES_ROOT\CLSID, with its ProgID key and type-library reference.
struct ComClass {
    std::wstring clsid;
    std::wstring description;
    std::wstring serverKey; // "InprocServer32" or "LocalServer32"
    std::wstring server;
    std::wstring progId;    // empty: the class has none
    std::wstring versionIndependentProgId;
    std::wstring typeLib;   // empty: none; it need not be registered
    Fate fate = Fate::Stays;
    // False for a ProgID value that names no ProgID key of the class's own.
    bool progIdKeyIsTheClasss = true;
    std::vector<ExtraValue> extras;
};

// A type library below HKEY_CLASSES_ROOT\TypeLib, one version per file (1.0, 2.0, ...).
struct TypeLibrary {
    std::wstring libId;
    std::wstring description;
    std::vector<std::wstring> win32Files;
    Fate fate = Fate::Stays;
};

// An application path below HKEY_LOCAL_MACHINE\...\App Paths.
struct AppPath {
    std::wstring exeName;
    std::wstring file;       // the default value
    std::wstring searchPath; // the "Path" value; empty: none
    Fate fate = Fate::Stays;
};

// The maker's own configuration key below one hive, with a few settings in it.
struct MakerKey {
    std::wstring fullName;
    std::vector<std::pair<std::wstring, std::wstring>> settings; // value name, text, below OMX\Settings
};

class ControllerInstallation {
public:
    // The controller's classes, type libraries, application paths and the maker's three keys,
    // among ordinary registrations.
    [[nodiscard]] static ControllerInstallation Realistic();
    // The ordinary registrations only: nothing that a run removes.
    [[nodiscard]] static ControllerInstallation Ordinary();
    // `count` controller classes with their servers in C:\Programme\OMX\BIN and nothing else.
    [[nodiscard]] static ControllerInstallation ManyClasses(int count);

    // Writes every registration and the controller's folders; the seeds take them away again.
    void Seed(Seeds& seeds) const;

    // The keys a run removes, in the run's order, named as its removal log names them. Read from
    // the registry as it is now, so call it before the run.
    [[nodiscard]] std::vector<std::wstring> ExpectedRemovals(bool makerKeysTicked) const;

    std::vector<ComClass> classes;
    std::vector<TypeLibrary> typeLibraries;
    std::vector<AppPath> appPaths;
    std::vector<MakerKey> makerKeys;

private:
    void AddOrdinaryRegistrations();
};

inline constexpr wchar_t kMakerKeyCurrentUser[] = L"HKEY_CURRENT_USER\\Software\\ORVA Roboter GmbH";
inline constexpr wchar_t kMakerKeyMachine[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVA Roboter GmbH";
inline constexpr wchar_t kMakerKeyDefaultUser[] = L"HKEY_USERS\\.DEFAULT\\Software\\ORVA Roboter GmbH";
inline constexpr wchar_t kAppPathsKey[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

} // namespace hivedrive
