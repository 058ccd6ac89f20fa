// hivetidy.exe: builds the Win32 platform, hands it to the core's Form1 and runs the message loop.

#include "app/Form1.h"
#include "component/StoreComponent.h"
#include "platform/Platform.h"
#include "platform/win32/ExceptionBoundary.h"
#include "platform/win32/Win32Dialogs.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/Win32Window.h"

#include <commctrl.h>

namespace {

void RestrictDllSearchToSystemFolder()
{
    // SetDefaultDllDirectories came with an update of Windows 7; looked up, so that the program
    // still starts without it. The current directory goes from the search in any case.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault) {
        (void)setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    (void)SetDllDirectoryW(L"");
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*showCommand*/)
{
    using namespace hivetidy;
    using namespace hivetidy::win32;

    // Running elevated, the program loads DLLs from the system folder only: never from its own
    // folder, the current directory or the search path, where a user might have put one.
    RestrictDllSearchToSystemFolder();

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
    Platform platform{components, files, processes, dialogs, window, system};

    Form1 form(platform);
    window.SetEvents(&form);
    // Form_Load centres the hidden window and sets the first control states before it is shown.
    CallGuarded(window.Handle(), [&] { form.Form_Load(); });
    window.Show(SW_SHOWNORMAL);
    return window.RunMessageLoop();
}
