#pragma once
// The fixtures: a robot controller's software installed below C:\Programme\OMX and registered in
// the registry the way such an installation registers itself, among registrations of other
// software that a run must leave alone. Each registration states whether a run removes it and the
// view it is written through; from that, where Windows keeps each view's keys and the registry's
// own enumeration order follows the exact list of keys a run removes.

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
    // Empty: none; it need not be registered. It goes with the class only when it is one of the
    // installation's type libraries that a run removes (all of its files the controller's).
    std::wstring typeLib;
    Fate fate = Fate::Stays;
    // False for a ProgID value that names no ProgID key of the class's own.
    bool progIdKeyIsTheClasss = true;
    std::vector<ExtraValue> extras;
    View view = View::Native;
};

// A type library below HKEY_CLASSES_ROOT\TypeLib, one version per file (1.0, 2.0, ...).
struct TypeLibrary {
    std::wstring libId;
    std::wstring description;
    std::vector<std::wstring> win32Files;
    Fate fate = Fate::Stays;
    View view = View::Native;
};

// An application path below HKEY_LOCAL_MACHINE\...\App Paths.
struct AppPath {
    std::wstring exeName;
    std::wstring file;       // the default value
    std::wstring searchPath; // the "Path" value; empty: none
    Fate fate = Fate::Stays;
    View view = View::Native;
};

// The maker's own configuration key below one hive, with a few settings in it.
struct MakerKey {
    std::wstring fullName; // the plain name, as the view it is written through shows it
    std::vector<std::pair<std::wstring, std::wstring>> settings; // value name, text, below OMX\Settings
    std::wstring installationDir; // recorded below Version; empty: none
    View view = View::Native;
};

// Where the keys written through one view are, named as the native registry editor names them.
struct ViewPlaces {
    View view;
    std::wstring classIds;
    std::wstring machineClassIds; // the same key through HKEY_LOCAL_MACHINE, as are those below
    std::wstring progIds;         // with its closing backslash: the ProgID keys are right below it
    std::wstring machineProgIds;
    std::wstring typeLibs;
    std::wstring machineTypeLibs;
    std::wstring appPaths;
    std::wstring makerKeyMachine;
};

// The views a run cleans, the native one first: both on 64-bit Windows, the native one only on
// 32-bit Windows.
[[nodiscard]] const std::vector<ViewPlaces>& PlacesOfEachView();
// Where the keys written through the view are; on 32-bit Windows the native places for both views.
[[nodiscard]] const ViewPlaces& PlacesOf(View view);

class ControllerInstallation {
public:
    // The controller's classes, type libraries, application paths and the maker's keys, among
    // ordinary registrations. The controller is a 32-bit program and writes through the 32-bit
    // view; on 64-bit Windows some 64-bit parts of it and of other software are in the native view.
    [[nodiscard]] static ControllerInstallation Realistic();
    // The ordinary registrations only: nothing that a run removes.
    [[nodiscard]] static ControllerInstallation Ordinary();
    // One controller class with its ProgID and type library and one application path with a search
    // path, written through the 32-bit view, among the ordinary registrations: a key of each kind
    // that a run removes, in a short run.
    [[nodiscard]] static ControllerInstallation OneOfEachKind();
    // `count` controller classes with their servers in C:\Programme\OMX\BIN and nothing else,
    // written through the 32-bit view as the controller's own.
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
    void AddNativeControllerParts();
    void AddOrdinaryRegistrations();
};

inline constexpr wchar_t kMakerKeyCurrentUser[] = L"HKEY_CURRENT_USER\\Software\\ORVA Roboter GmbH";
inline constexpr wchar_t kMakerKeyMachine[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVA Roboter GmbH";
inline constexpr wchar_t kMakerKeyDefaultUser[] = L"HKEY_USERS\\.DEFAULT\\Software\\ORVA Roboter GmbH";
// True when the maker's key is below the current user, the machine in either view, or any hive
// loaded below HKEY_USERS.
[[nodiscard]] bool MakerKeyExistsAnywhere();

inline constexpr wchar_t kAppPathsKey[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

} // namespace hivedrive
