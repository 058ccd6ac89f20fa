// A run on 64-bit Windows: both registry views cleaned, each key named as the native editor names
// it, and each view's own data saved and restored.

#include "support/ProgramFixture.h"

#include "shared/Text.h"

#include <algorithm>
#include <map>

namespace hivetidy::testing {
namespace {

constexpr std::string_view kMaker64 = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVA Roboter GmbH";

constexpr std::string_view kAxis = "{A1000000-0000-0000-0000-000000000001}";    // 32-bit, ProgID and type library
constexpr std::string_view kTool = "{B2000000-0000-0000-0000-000000000002}";    // 64-bit
constexpr std::string_view kForeign = "{C3000000-0000-0000-0000-000000000003}"; // 32-bit, another maker's
constexpr std::string_view kBoth = "{D4000000-0000-0000-0000-000000000004}";    // in both views, other data
constexpr std::string_view kAxisLib = "{E5000000-0000-0000-0000-000000000005}";

class RegistryViewsRun : public ProgramFixture {
protected:
    RegistryViewsRun()
    {
        Files().AddDirectory("C:\\Programme\\OMX\\BIN", std::nullopt);
        // A 32-bit installer's registrations: class keys in the 32-bit view's own CLSID key,
        // ProgID and type library in the keys both views share.
        AddClassBelow(kClsid32, kAxis, "C:\\Programme\\OMX\\BIN\\achse.dll", "Achse 32");
        Registry().SetString(std::string(kClsid32) + std::string(kAxis) + "\\ProgID", "", "Omx.Achse.1");
        Registry().SetString(std::string(kClsid32) + std::string(kAxis) + "\\TypeLib", "", std::string(kAxisLib));
        Registry().SetString("HKEY_CLASSES_ROOT\\Omx.Achse.1\\CLSID", "", std::string(kAxis));
        AddTypeLib(kAxisLib, "C:\\Programme\\OMX\\LIB\\achse.tlb");
        AddClassBelow(kClsid32, kForeign, "C:\\Program Files (x86)\\Fremd\\fremd.dll", "Fremd");
        AddClassBelow(kClsid, kTool, "C:\\Programme\\OMX\\BIN\\werkzeug64.dll", "Werkzeug 64");
        AddClassBelow(kClsid, kBoth, "C:\\Programme\\OMX\\BIN\\beide64.dll", "Beide 64");
        AddClassBelow(kClsid32, kBoth, "C:\\Programme\\OMX\\BIN\\beide32.dll", "Beide 32");
        AddAppPath("Achse64.exe", "C:\\Programme\\OMX\\BIN\\Achse64.exe");
        Registry().SetString(std::string(kAppPaths32) + "Achse.exe", "", "C:\\Programme\\OMX\\UTIL\\Achse.exe");
        Registry().SetString(std::string(kAppPaths32) + "Fremd.exe", "", "C:\\Program Files (x86)\\Fremd\\Fremd.exe");
        Registry().SetString(std::string(kMakerUser), "Sprache", "Deutsch");
        Registry().SetString(std::string(kMaker64), "Sicht", "64");
        Registry().SetString(std::string(kMaker32) + "\\Version", "InstallationDir", "C:\\Programme\\OMX");
    }

    void AddClassBelow(std::string_view clsidKey, std::string_view clsid, std::string_view server, std::string_view name)
    {
        const std::string key = std::string(clsidKey) + std::string(clsid);
        Registry().SetString(key, "", std::string(name));
        Registry().SetString(key + "\\InprocServer32", "", std::string(server));
    }

    std::string BackupText()
    {
        const auto bytes = Files().Contents(kBackupPath);
        return bytes && bytes->starts_with("\xFF\xFE") ? Utf16ToUtf8(LeBytesToUtf16(bytes->substr(2))) : std::string{};
    }

    // As Wine makes it: the 32-bit view's WOW6432Node\TypeLib is a link to the TypeLib key both
    // views share, so each shared library has a second native name through it.
    void LinkTheSharedTypeLib()
    {
        Registry().AddLink("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\WOW6432Node\\TypeLib",
                           "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\TypeLib");
    }

    // Start-up, the box ticked, a whole run; the program still running afterwards.
    void RunWithMakerKeys()
    {
        Load();
        Window().SetCheckValue(Control::Check1, 1);
        sim.dialogs().QueueSave(std::string(kBackupPath));
        ASSERT_FALSE(Press(Control::Command1));
    }
};

TEST_F(RegistryViewsRun, CleansBothViewsAndNamesEachKeyAsTheNativeEditorDoes)
{
    RunWithMakerKeys();

    const std::string axis(kAxis), tool(kTool), both(kBoth), lib(kAxisLib);
    EXPECT_EQ(LoggedKeys(), (std::vector<std::string>{
                                // The native view's class pass first, then the 32-bit view's.
                                "[HKEY_CLASSES_ROOT\\CLSID\\" + tool + "]",
                                "[HKEY_CLASSES_ROOT\\CLSID\\" + both + "]",
                                // Shared keys keep their one plain name and go once.
                                "[HKEY_CLASSES_ROOT\\Omx.Achse.1]",
                                "[HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\" + axis + "]",
                                "[HKEY_CLASSES_ROOT\\TypeLib\\" + lib + "]",
                                "[HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\" + both + "]",
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Achse64.exe]",
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Achse.exe]",
                                "[" + std::string(kMakerUser) + "]",
                                "[" + std::string(kMaker64) + "]",
                                "[" + std::string(kMaker32) + "]",
                            }));
    for (const std::string& line : LoggedKeys()) {
        const std::string key = line.substr(1, line.size() - 2);
        EXPECT_FALSE(Registry().KeyExists(key)) << key;
        // The editor was asked for the very name that is logged, so the export is that key's.
        EXPECT_NE(BackupText().find(line + "\r\n"), std::string::npos) << key;
    }
    EXPECT_TRUE(Registry().KeyExists(std::string(kClsid32) + std::string(kForeign)));
    EXPECT_TRUE(Registry().KeyExists(std::string(kAppPaths32) + "Fremd.exe"));
    EXPECT_TRUE(Registry().KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\WOW6432Node\\CLSID"));
}

TEST_F(RegistryViewsRun, SavesEachViewsOwnDataAndUndoPutsItBackIntoItsOwnView)
{
    const auto before = Registry().Dump();
    RunWithMakerKeys();

    // The class in both views: each view's own server under its own name.
    const std::string backup = BackupText();
    const auto native = backup.find("[HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kBoth) + "\\InprocServer32]\r\n@=\"C:\\\\Programme\\\\OMX\\\\BIN\\\\beide64.dll\"");
    const auto wow32 = backup.find("[HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\" + std::string(kBoth) +
                                   "\\InprocServer32]\r\n@=\"C:\\\\Programme\\\\OMX\\\\BIN\\\\beide32.dll\"");
    EXPECT_NE(native, std::string::npos) << backup;
    EXPECT_NE(wow32, std::string::npos) << backup;

    EXPECT_TRUE(Press(Control::Command3));
    EXPECT_EQ(Registry().Dump(), before);
}

// Catches the class pass removing one view's classes before it has walked the other: the native
// class takes the shared type library away, and the 32-bit class that points into the controller
// folders through that library alone would then be kept.
TEST_F(RegistryViewsRun, AClassFoundOnlyThroughATypeLibraryBothViewsShareGoesInEitherView)
{
    constexpr std::string_view kShared = "{F6000000-0000-0000-0000-000000000006}";
    constexpr std::string_view kPlugin32 = "{A7000000-0000-0000-0000-000000000007}";
    AddTypeLib(kShared, "C:\\Programme\\OMX\\LIB\\gemeinsam.tlb");
    Registry().SetString(std::string(kClsid) + std::string(kTool) + "\\TypeLib", "", std::string(kShared));
    // The 32-bit class's own server is someone else's: only its type library is the controller's.
    AddClassBelow(kClsid32, kPlugin32, "C:\\Program Files (x86)\\Zusatz\\zusatz.dll", "Zusatz 32");
    Registry().SetString(std::string(kClsid32) + std::string(kPlugin32) + "\\TypeLib", "", std::string(kShared));

    RunWithMakerKeys();

    EXPECT_FALSE(Registry().KeyExists(std::string(kClsid32) + std::string(kPlugin32)));
    EXPECT_FALSE(Registry().KeyExists(std::string(kTypeLib) + std::string(kShared)));
    const auto logged = LoggedKeys();
    EXPECT_NE(std::find(logged.begin(), logged.end(), "[HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\" + std::string(kPlugin32) + "]"),
              logged.end());
}

// Catches an IsOwnKeyOfView that compares whole locations (whose views always differ) instead of
// paths: the 32-bit view's pass would walk the shared TypeLib again and hand the editor again a
// library that the registry let go only in part.
TEST_F(RegistryViewsRun, WalksASharedTypeLibOnceAndExportsEachLibraryOnce)
{
    LinkTheSharedTypeLib();
    // A controller library that no class names, for the type-library pass; its file's key stays.
    const std::string lib = "{F6000000-0000-0000-0000-000000000006}";
    AddTypeLib(lib, "C:\\Programme\\OMX\\LIB\\werkzeug.tlb");
    Registry().FailDeletePartWay(std::string(kTypeLib) + lib + "\\1.0\\0\\win32");
    sim.dialogs().QueueMessageBoxAnswer(1); // the partial run's message

    RunWithMakerKeys();

    std::map<std::string, int> exports; // each command line that asked the editor for the library
    for (const std::string& commandLine : sim.processes().CommandLines()) {
        if (commandLine.find(lib) != std::string::npos) {
            ++exports[commandLine];
        }
    }
    EXPECT_FALSE(exports.empty());
    for (const auto& [commandLine, count] : exports) {
        EXPECT_EQ(count, 1) << commandLine;
    }
    const std::vector<std::string> logged = LoggedKeys();
    EXPECT_EQ(std::count(logged.begin(), logged.end(), "[HKEY_CLASSES_ROOT\\TypeLib\\" + lib + "]"), 1);
}

// Catches a NativeLocationOf that tries the WOW6432Node name before the plain one: through the link
// both reach the shared library, which would then be saved and logged as the 32-bit view's own.
TEST_F(RegistryViewsRun, AKeyLinkedIntoTheThirtyTwoBitViewKeepsItsPlainName)
{
    LinkTheSharedTypeLib();

    RunWithMakerKeys();

    const std::string plain = "[HKEY_CLASSES_ROOT\\TypeLib\\" + std::string(kAxisLib) + "]";
    const std::vector<std::string> logged = LoggedKeys();
    EXPECT_EQ(std::count(logged.begin(), logged.end(), plain), 1);
    for (const std::string& line : logged) {
        EXPECT_EQ(line.find("WOW6432Node\\TypeLib"), std::string::npos) << line;
    }
    EXPECT_NE(BackupText().find(plain + "\r\n"), std::string::npos);
    EXPECT_FALSE(Registry().KeyExists(std::string(kTypeLib) + std::string(kAxisLib)));
}

} // namespace
} // namespace hivetidy::testing
