#pragma once
// The core on the real platform, without a window on the screen: for tests under Wine.

#include "component/StoreComponent.h"
#include "platform/Platform.h"
#include "platform/win32/Win32Dialogs.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Hives.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"

#include <optional>
#include <string>

namespace hivetidy::win32::testing {

// A window that is never shown; the check box holds what the test puts in it.
class HeadlessWindow final : public Window {
public:
    void SetCaption(Control, std::string_view) override {}
    void SetEnabled(Control, bool) override {}
    void SetVisible(Control, bool) override {}
    void SetDefault(Control) override {}
    void SetFocus(Control) override {}
    [[nodiscard]] int CheckValue(Control) override { return m_checkValue; }
    void EnableTimer(bool) override {}
    [[nodiscard]] TwipsSize ScreenSize() override { return {15360, 11520}; }
    [[nodiscard]] TwipsSize WindowSize() override { return {4710, 3915}; }
    void MoveTo(double, double) override {}
    void Repaint() override {}
    void ProcessWaitingMessages() override {}

    int m_checkValue = 0;
};

// The save dialog answered with one path, every message box with No.
class AnsweringDialogs final : public Dialogs {
public:
    [[nodiscard]] std::optional<std::string> ShowSave(const SaveDialogSettings&) override { return m_savePath; }
    int MessageBox(std::string_view, std::string_view, std::uint32_t) override { return kIdNo; }

    std::optional<std::string> m_savePath;
};

struct RealPlatform {
    Win32Registry registry;
    StoreComponentFactory components{registry};
    Win32FileSystem files;
    Win32Processes processes;
    AnsweringDialogs dialogs;
    HeadlessWindow window;
    Win32System system;
    Win32Hives hives;
    Platform platform{components, files, processes, dialogs, window, system, hives};

    // Runs the native registry editor with this command line to its end; false when it could not
    // be started. Seeds go through it, so they land in the native view on 64-bit Windows too.
    bool RunEditorToEnd(const std::string& commandLine)
    {
        auto process = processes.StartRegistryEditor(commandLine);
        return process && (process->Wait(), true);
    }
};

} // namespace hivetidy::win32::testing
