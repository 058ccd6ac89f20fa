#pragma once
// Where the controller is installed: the folder below C:\ its record names, by its long name and its
// 8.3 alias, which the controller's registrations use alike.

#include "component/RegistryComponent.h"
#include "files/RunComponent.h"
#include "platform/FileSystem.h"

#include <string>

namespace hivetidy {

// The controller's folder below C:\, by both its names.
struct InstallationFolders {
    std::string InstallFolder;
    std::string InstallFolderShort;
};

// The controller's folders as its record names them, "Programme" and "Progra~1" where nothing usable
// is recorded. A run (not a preview) makes sure C:\REGISTRY exists. Nothing here fails.
[[nodiscard]] InstallationFolders LocateInstallation(FileSystem& files, RegistryComponentFactory& components,
                                                     RunComponent& registry, bool preview);

} // namespace hivetidy
