#pragma once
// Everything the core needs from the platform, handed over in one piece.

#include "component/RegistryComponent.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Processes.h"
#include "platform/System.h"
#include "platform/Window.h"

namespace hivetidy {

struct Platform {
    RegistryComponentFactory& components;
    FileSystem& files;
    Processes& processes;
    Dialogs& dialogs;
    Window& window;
    System& system;
};

} // namespace hivetidy
