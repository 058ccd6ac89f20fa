#pragma once
// The program-wide variables of the shared module. Only the window's thread touches them.

#include "shared/ProgramList.h"
#include "shared/RegLocation.h"

#include <map>
#include <string>

namespace hivetidy {

// One recorded class: the three identifiers under which it is registered.
struct ClassEntry {
    std::string ProgId;
    std::string ClassId;
    std::string TypeLibId;
    bool operator==(const ClassEntry&) const = default;
};

struct SharedState {
    // The installation folder directly below C:\, long and short (8.3) spelling.
    std::string InstallFolder;
    std::string InstallFolderShort;

    // The registry view the class pass walks; a class's ProgID and type library are looked up in it.
    RegView CurrentView = RegView::Native;

    // The class key being examined and what its checker found (valid for one class key at a time).
    std::string CurrentClassId;
    std::string CurrentProgId;
    std::string CurrentTypeLibId;
    bool ServerPathFound = false;
    // Whether a type library (by the text a class names it with) refers into the controller
    // folders, for the class pass under way; emptied when a class pass starts.
    std::map<std::string, bool> CheckedTypeLibs;

    ProgramList<ClassEntry> InvalidClasses;
    ProgramList<std::string> InvalidKeyNames;
    ProgramList<std::string> UserHiveNames;
};

} // namespace hivetidy
