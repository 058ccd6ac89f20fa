#pragma once
// Everything the core needs from the platform, handed over in one piece: what a cleaning run needs,
// and what the window's program needs beside it.

#include "component/RegistryComponent.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Hives.h"
#include "platform/Processes.h"
#include "platform/System.h"
#include "platform/Window.h"

namespace hivetidy {

// What a cleaning run, its Undo and the command line need: no window and no dialogs, so that a
// driver without either needs no stand-ins for them.
struct RunPlatform {
    RegistryComponentFactory& components;
    FileSystem& files;
    Processes& processes;
    System& system;
    Hives& hives;
};

// What the window's program needs: a run's platform, with the window and its dialogs.
struct Platform {
    RegistryComponentFactory& components;
    FileSystem& files;
    Processes& processes;
    Dialogs& dialogs;
    Window& window;
    System& system;
    Hives& hives;

    // The part a run takes.
    operator RunPlatform() const { return RunPlatform{components, files, processes, system, hives}; }
};

} // namespace hivetidy
