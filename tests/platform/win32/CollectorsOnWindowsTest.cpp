// The three collectors and the installation lookup over the real (Wine) registry and file system.

#include "RealPlatform.h"

#include "app/Form1.h"
#include "passes/ClassKeyCollector.h"
#include "shared/Text.h"

#include <gtest/gtest.h>

#include "platform/win32/Win32Api.h"

#include <cctype>
#include <fstream>

namespace hivetidy::win32::testing {
namespace {

// A controller installation among ordinary registrations, as a version-4 registry file.
constexpr const char* kInstallation = R"(REGEDIT4

[HKEY_CLASSES_ROOT\CLSID\{4F1E0001-0000-4000-8000-000000000001}]
@="Achssteuerung"
[HKEY_CLASSES_ROOT\CLSID\{4F1E0001-0000-4000-8000-000000000001}\InprocServer32]
@="C:\\Programme\\OMX\\BIN\\achse.dll"
"ThreadingModel"="Apartment"
[HKEY_CLASSES_ROOT\CLSID\{4F1E0001-0000-4000-8000-000000000001}\ProgID]
@="Omx.Achse.1"
[HKEY_CLASSES_ROOT\CLSID\{4F1E0001-0000-4000-8000-000000000001}\TypeLib]
@="{4F1E1001-0000-4000-8000-000000000001}"
[HKEY_CLASSES_ROOT\Omx.Achse.1\CLSID]
@="{4F1E0001-0000-4000-8000-000000000001}"

[HKEY_CLASSES_ROOT\CLSID\{4F1E0002-0000-4000-8000-000000000002}\LocalServer32]
@="\"C:\\PROGRA~1\\OMX\\UTIL\\werkzeug.exe\" /automation"

[HKEY_CLASSES_ROOT\CLSID\{4F1E0003-0000-4000-8000-000000000003}\InprocServer32]
@="C:\\Windows\\system32\\omxproxy.dll"
[HKEY_CLASSES_ROOT\CLSID\{4F1E0003-0000-4000-8000-000000000003}\TypeLib]
@="{4F1E1002-0000-4000-8000-000000000002}"

[HKEY_CLASSES_ROOT\CLSID\{4F1E0004-0000-4000-8000-000000000004}\InprocServer32]
@="C:\\Programme\\OMX\\LIB\\ORVAREG.DLL"

[HKEY_CLASSES_ROOT\CLSID\{4F1E0009-0000-4000-8000-000000000009}\InprocServer32]
@="C:\\Program Files\\Fremd\\fremd.dll"
[HKEY_CLASSES_ROOT\CLSID\{4F1E0009-0000-4000-8000-000000000009}\Daten]
"Pfad"=hex:43,3a,5c,50,72,6f,67,72,61,6d,6d,65,5c,4f,4d,58,5c,42,49,4e,5c
"Zahl"=dword:00000001

[HKEY_CLASSES_ROOT\TypeLib\{4F1E1001-0000-4000-8000-000000000001}\1.0\0\win32]
@="C:\\Programme\\OMX\\LIB\\achse.tlb"
[HKEY_CLASSES_ROOT\TypeLib\{4F1E1002-0000-4000-8000-000000000002}\1.0\0\win32]
@="C:\\Programme\\OMX\\LIB\\proxy.tlb"
[HKEY_CLASSES_ROOT\TypeLib\{4F1E1002-0000-4000-8000-000000000002}\2.0\0\win32]
@="C:\\Programme\\OMX\\LIB\\proxy2.tlb"
[HKEY_CLASSES_ROOT\TypeLib\{4F1E1003-0000-4000-8000-000000000003}\1.0\0\win32]
@="C:\\Programme\\OMX\\BIN\\steuer.tlb"
[HKEY_CLASSES_ROOT\TypeLib\{4F1E1004-0000-4000-8000-000000000004}\1.0\0\win32]
@="C:\\Programme\\OMX\\LIB\\ORVAREG.DLL"
[HKEY_CLASSES_ROOT\TypeLib\{4F1E1009-0000-4000-8000-000000000009}\1.0\0\win32]
@="C:\\Windows\\system32\\fremd.tlb"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\OmxPanel.exe]
@="C:\\Programme\\OMX\\BIN\\OmxPanel.exe"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\OmxLog.exe]
@="\"C:\\Progra~1\\OMX\\LOG\\logview.exe\""
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\OmxNebenbei.exe]
@="C:\\Windows\\nebenbei.exe"
"Path"="C:\\Programme\\OMX\\BIN\\"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\Fremd.exe]
@="C:\\Program Files\\Fremd\\fremd.exe"
)";

constexpr const char* kRemoval = R"(REGEDIT4

[-HKEY_CLASSES_ROOT\CLSID\{4F1E0001-0000-4000-8000-000000000001}]
[-HKEY_CLASSES_ROOT\Omx.Achse.1]
[-HKEY_CLASSES_ROOT\CLSID\{4F1E0002-0000-4000-8000-000000000002}]
[-HKEY_CLASSES_ROOT\CLSID\{4F1E0003-0000-4000-8000-000000000003}]
[-HKEY_CLASSES_ROOT\CLSID\{4F1E0004-0000-4000-8000-000000000004}]
[-HKEY_CLASSES_ROOT\CLSID\{4F1E0009-0000-4000-8000-000000000009}]
[-HKEY_CLASSES_ROOT\TypeLib\{4F1E1001-0000-4000-8000-000000000001}]
[-HKEY_CLASSES_ROOT\TypeLib\{4F1E1002-0000-4000-8000-000000000002}]
[-HKEY_CLASSES_ROOT\TypeLib\{4F1E1003-0000-4000-8000-000000000003}]
[-HKEY_CLASSES_ROOT\TypeLib\{4F1E1004-0000-4000-8000-000000000004}]
[-HKEY_CLASSES_ROOT\TypeLib\{4F1E1009-0000-4000-8000-000000000009}]
[-HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\OmxPanel.exe]
[-HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\OmxLog.exe]
[-HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\OmxNebenbei.exe]
[-HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\Fremd.exe]
)";

class CollectorsOnWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        Import(kRemoval);
        Import(kInstallation);
        form.Run().State().InstallFolder = "Programme";
        form.Run().State().InstallFolderShort = "Progra~1";
        form.Run().State().InvalidClasses.Reset();
        form.Run().State().InvalidKeyNames.Reset();
    }

    void TearDown() override { Import(kRemoval); }

    void Import(const char* regText)
    {
        const char* path = "C:\\hivetidy-fixture.reg";
        std::ofstream(path, std::ios::binary) << regText;
        ASSERT_TRUE(real.RunEditorToEnd(std::string("regedit /s ") + path));
        DeleteFileA(path);
    }

    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        for (int i = 1; i <= form.Run().State().InvalidKeyNames.UpperBound(); ++i) {
            names.push_back(form.Run().State().InvalidKeyNames[i]);
        }
        return names;
    }

    void Walk(RootHandle root, std::string_view path, IUseRegItems& callback, bool tree)
    {
        auto component = real.components.Create();
        component->OpenKey(root, TaggedValue::Text(path));
        if (tree) {
            component->WalkTree(callback, *component, 0);
        } else {
            component->WalkSubkeys(callback, 0);
        }
    }

    RealPlatform real;
    Form1 form{real.platform};
    CallbackObjects objects{form.Run().State(), real.components, [] {}};
    ClassKeyCollector collector{form.Run().State(), objects, [] {}};
};

TEST_F(CollectorsOnWindows, ListExactlyTheControllerRegistrationsInEnumerationOrder)
{
    Walk(kHkeyClassesRoot, "CLSID", collector, false);
    const auto& classes = form.Run().State().InvalidClasses;
    ASSERT_EQ(classes.UpperBound(), 3);
    EXPECT_EQ(classes[1], (ClassEntry{"Omx.Achse.1", "{4F1E0001-0000-4000-8000-000000000001}",
                                      "{4F1E1001-0000-4000-8000-000000000001}"}));
    EXPECT_EQ(classes[2], (ClassEntry{"", "{4F1E0002-0000-4000-8000-000000000002}", ""}));
    EXPECT_EQ(classes[3], (ClassEntry{"", "{4F1E0003-0000-4000-8000-000000000003}",
                                      "{4F1E1002-0000-4000-8000-000000000002}"}));

    Walk(kHkeyClassesRoot, "TypeLib", objects.TheForm4(), true);
    EXPECT_EQ(Names(), (std::vector<std::string>{"{4F1E1001-0000-4000-8000-000000000001}",
                                                 "{4F1E1002-0000-4000-8000-000000000002}",
                                                 "{4F1E1002-0000-4000-8000-000000000002}",
                                                 "{4F1E1003-0000-4000-8000-000000000003}"}));

    form.Run().State().InvalidKeyNames.Reset();
    Walk(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", objects.TheForm5(), false);
    EXPECT_EQ(Names(), (std::vector<std::string>{"OmxLog.exe", "OmxPanel.exe"}));
}

// The installation folder by its recorded long name and by the system's own short alias.
class InstallationOnWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateDirectoryW(L"C:\\Steuerungssoftware", nullptr);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ORVA Roboter GmbH");
    }
    void TearDown() override
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ORVA Roboter GmbH");
        RemoveDirectoryW(L"C:\\Steuerungssoftware");
    }

    void Record(const std::wstring& dir)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ORVA Roboter GmbH\\Version", 0, nullptr, 0,
                                  KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"InstallationDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                       static_cast<DWORD>((dir.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }

    // The system's own short name of the folder, last component only.
    std::string SystemShortName()
    {
        wchar_t buffer[MAX_PATH] = {};
        GetShortPathNameW(L"C:\\Steuerungssoftware", buffer, MAX_PATH);
        const std::wstring text(buffer);
        return std::string(text.begin() + static_cast<std::ptrdiff_t>(text.rfind(L'\\') + 1), text.end());
    }

    RealPlatform real;
    Form1 form{real.platform};
};

TEST_F(InstallationOnWindows, FindsTheShortSpellingOfARecordedLongName)
{
    Record(L"C:\\Steuerungssoftware\\OMX");
    form.Run().LocateInstallation();
    EXPECT_EQ(form.Run().State().InstallFolder, "Steuerungssoftware");
    EXPECT_TRUE(EqualsIgnoreCase(form.Run().State().InstallFolderShort, SystemShortName())) << form.Run().State().InstallFolderShort;
    EXPECT_EQ(GetFileAttributesW(L"C:\\REGISTRY") & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(InstallationOnWindows, FindsTheLongNameOfARecordedShortAlias)
{
    const std::string alias = SystemShortName();
    Record(L"C:\\" + std::wstring(alias.begin(), alias.end()) + L"\\OMX");
    form.Run().LocateInstallation();
    EXPECT_EQ(form.Run().State().InstallFolderShort, alias);
    // An alias of the numbered form finds its folder; a hashed one is taken as a name of its own.
    const bool numbered = alias.size() == 8 && alias[6] == '~' && std::isdigit(static_cast<unsigned char>(alias[7]));
    EXPECT_EQ(form.Run().State().InstallFolder, numbered ? "Steuerungssoftware" : alias);
}

} // namespace
} // namespace hivetidy::win32::testing
