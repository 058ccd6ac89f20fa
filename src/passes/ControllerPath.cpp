#include "passes/ControllerPath.h"

#include "shared/Text.h"

#include <array>
#include <string>

namespace hivetidy {

namespace {

constexpr std::array<std::string_view, 4> kControllerSubfolders{"\\OMX\\LIB\\", "\\OMX\\BIN\\", "\\OMX\\UTIL\\", "\\OMX\\LOG\\"};
constexpr std::string_view kComponentLibrary = "ORVAREG.DLL";
// What every controller path holds, whatever the folder is called.
constexpr std::string_view kControllerFolder = "\\OMX\\";

} // namespace

bool RefersToControllerDir(const SharedState& state, std::string_view text)
{
    // Nearly every text of a scan is someone else's: those are told apart without building a path.
    if (!ContainsIgnoreCase(text, kControllerFolder)) {
        return false;
    }
    // Built afresh at every call: the folder names may have changed since the last one.
    bool refers = false;
    for (const std::string_view subfolder : kControllerSubfolders) {
        for (const std::string* folder : {&state.InstallFolder, &state.InstallFolderShort}) {
            const std::string path = "C:\\" + *folder + std::string(subfolder);
            refers = refers || ContainsIgnoreCase(text, path);
        }
    }
    return refers && !ContainsIgnoreCase(text, kComponentLibrary);
}

} // namespace hivetidy
