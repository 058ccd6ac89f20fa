#pragma once
// A whole program on the simulated platform: the window, its registry, files, dialogs and editor.

#include "app/Form1.h"
#include "app/Form1Text.h"
#include "platform/sim/SimPlatform.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace hivetidy::testing {

inline constexpr std::string_view kClsid = "HKEY_CLASSES_ROOT\\CLSID\\";
inline constexpr std::string_view kTypeLib = "HKEY_CLASSES_ROOT\\TypeLib\\";
inline constexpr std::string_view kAppPaths = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
// The 32-bit view's own keys on 64-bit Windows, as the removal log names them, and the maker's keys.
inline constexpr std::string_view kClsid32 = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\WOW6432Node\\CLSID\\";
inline constexpr std::string_view kAppPaths32 =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
inline constexpr std::string_view kMaker32 = "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\ORVA Roboter GmbH";
inline constexpr std::string_view kMakerUser = "HKEY_CURRENT_USER\\Software\\ORVA Roboter GmbH";
inline constexpr std::string_view kBackupPath = "C:\\REGISTRY\\backup.reg";
inline constexpr std::string_view kLogPath = "C:\\REGISTRY\\HIVETIDY.BAK";

class ProgramFixture : public ::testing::Test {
protected:
    ProgramFixture() : platform(sim.Get()), form(platform) { sim.window().SetEvents(&form); }

    sim::SimRegistry& Registry() { return sim.registry(); }
    sim::SimFileSystem& Files() { return sim.files(); }
    sim::SimWindow& Window() { return sim.window(); }

    // A class key whose InprocServer32 names the server, with optional ProgID and TypeLib keys.
    void AddClass(std::string_view clsid, std::string_view server, std::string_view progId = {},
                  std::string_view typeLibId = {})
    {
        const std::string key = std::string(kClsid) + std::string(clsid);
        Registry().SetString(key, "", "Class " + std::string(clsid));
        Registry().SetString(key + "\\InprocServer32", "", std::string(server));
        Registry().SetString(key + "\\InprocServer32", "ThreadingModel", "Apartment");
        if (!progId.empty()) {
            Registry().SetString(key + "\\ProgID", "", std::string(progId));
            Registry().SetString("HKEY_CLASSES_ROOT\\" + std::string(progId), "", "Class " + std::string(progId));
            Registry().SetString("HKEY_CLASSES_ROOT\\" + std::string(progId) + "\\CLSID", "", std::string(clsid));
        }
        if (!typeLibId.empty()) {
            Registry().SetString(key + "\\TypeLib", "", std::string(typeLibId));
        }
    }

    // A type library with one version whose win32 file is the given path.
    void AddTypeLib(std::string_view typeLibId, std::string_view win32File, std::string_view version = "1.0")
    {
        const std::string key = std::string(kTypeLib) + std::string(typeLibId) + "\\" + std::string(version);
        Registry().SetString(key, "", "Library " + std::string(typeLibId));
        Registry().SetString(key + "\\0\\win32", "", std::string(win32File));
        Registry().SetString(key + "\\FLAGS", "", "0");
    }

    void AddAppPath(std::string_view exeName, std::string_view path)
    {
        Registry().SetString(std::string(kAppPaths) + std::string(exeName), "", std::string(path));
    }

    void Load() { form.Form_Load(); }

    // Presses a button as the user does; true when the program ended meanwhile.
    bool Press(Control control)
    {
        try {
            Window().Click(control);
        } catch (const sim::ProgramEnded&) {
            return true;
        }
        return false;
    }

    // Start-up, then a whole run that saves its backup at path; true when the program ended.
    bool Run(std::string_view backupPath = kBackupPath)
    {
        Load();
        sim.dialogs().QueueSave(std::string(backupPath));
        return Press(Control::Command1);
    }

    // The removal log's lines after its three head lines (the log's own check is elsewhere).
    std::vector<std::string> LoggedKeys()
    {
        const auto content = Files().Contents(kLogPath);
        std::vector<std::string> lines;
        if (!content) {
            return lines;
        }
        std::size_t start = 0;
        for (std::size_t end; (end = content->find("\r\n", start)) != std::string::npos; start = end + 2) {
            lines.push_back(content->substr(start, end - start));
        }
        if (lines.size() >= 3) {
            lines.erase(lines.begin(), lines.begin() + 3);
        }
        return lines;
    }

    sim::SimPlatform sim;
    Platform platform;
    Form1 form;
};

} // namespace hivetidy::testing
