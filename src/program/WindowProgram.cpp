#include "program/WindowProgram.h"

#include "app/Form1.h"
#include "component/StoreComponent.h"
#include "platform/Platform.h"
#include "platform/win32/ExceptionBoundary.h"
#include "platform/win32/Win32Dialogs.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Hives.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/Win32Window.h"

#include <commctrl.h>

namespace hivetidy::win32 {

int RunWindowProgram(HINSTANCE instance)
{
    // Loads comctl32 6 (asked for by the manifest), so the buttons and the check box are themed.
    INITCOMMONCONTROLSEX commonControls{sizeof(commonControls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&commonControls);

    Win32Window window;
    if (!window.Create(instance)) {
        MessageBoxW(nullptr, L"Das Hauptfenster konnte nicht erstellt werden.", L"Hivetidy", MB_OK | MB_ICONERROR);
        return 1;
    }
    Win32Registry registry;
    StoreComponentFactory components(registry);
    Win32FileSystem files;
    Win32Processes processes;
    Win32Dialogs dialogs(window.Handle());
    Win32System system;
    Win32Hives hives;
    Platform platform{components, files, processes, dialogs, window, system, hives};

    Form1 form(platform);
    window.SetEvents(&form);
    // Form_Load centres the hidden window and sets the first control states before it is shown.
    CallGuarded(window.Handle(), [&] { form.Form_Load(); });
    window.Show(SW_SHOWNORMAL);
    return window.RunMessageLoop();
}

} // namespace hivetidy::win32
