// The two registry views of 64-bit Windows, from either build: a key of each view is exported under
// the native editor's name, deleted in its own view, and imported back into it.

#include "RealPlatform.h"

#include "app/Form1.h"
#include "support/KeyRemovalRig.h"
#include "platform/win32/Wow64.h"

#include <gtest/gtest.h>

#include "platform/win32/Win32Api.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace hivetidy::win32::testing {
namespace {

constexpr const wchar_t* kKey = L"SOFTWARE\\HivetidyAnsicht";
constexpr const wchar_t* kSharedTypeLib = L"TypeLib\\{4F1E7001-0000-4000-8000-000000000001}";
constexpr const char* kBackup = "C:\\REGISTRY\\ansichten.reg";
constexpr const char* kLog = "C:\\REGISTRY\\HIVETIDY.BAK";

// The file's UTF-16LE text with its byte-order mark, as UTF-8; empty when it cannot be read.
std::string ReadUtf16File(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bytes.size() < 2) {
        return {};
    }
    std::wstring wide((bytes.size() - 2) / 2, L'\0');
    for (std::size_t i = 0; i < wide.size(); ++i) {
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                       static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr, nullptr);
    return text;
}

std::string ReadBytes(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(HKEY root, const wchar_t* path, REGSAM view, const wchar_t* name, const std::wstring& text)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// The text value as the view shows it; nullopt when the key or the value is not there.
std::optional<std::wstring> ReadText(HKEY root, const wchar_t* path, REGSAM view, const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    wchar_t buffer[256] = {};
    DWORD size = sizeof buffer;
    const LSTATUS status = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::optional<std::wstring>(buffer) : std::nullopt;
}

// What became of a key, as a failed expectation tells it.
std::string Told(const KeyOutcome& outcome)
{
    if (outcome.kind == KeyOutcome::Kind::Stayed) {
        return "stayed: " + std::string(ReasonText(outcome.reason));
    }
    return "outcome " + std::to_string(static_cast<int>(outcome.kind));
}

class RegistryViewsOnWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!IsWindows64()) {
            GTEST_SKIP() << "32-bit Windows has one registry view";
        }
        TearDown();
        DeleteFileA(kBackup);
        real.dialogs.m_savePath = kBackup;
    }

    void TearDown() override
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node\\HivetidyAnsicht");
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey);
        RegDeleteTreeW(HKEY_CLASSES_ROOT, kSharedTypeLib);
    }

    // A run's files around the removals, as the cleaning run opens and closes them.
    template <class Removals>
    void WithRunFiles(Removals removals)
    {
        form.Run().LocateInstallation();
        rig.OpenRunFiles();
        removals();
        rig.CloseRunFiles();
    }

    RealPlatform real;
    Form1 form{real.platform};
    hivetidy::testing::KeyRemovalRig rig{real.platform, form};
};

TEST_F(RegistryViewsOnWindows, EachViewsKeyIsSavedUnderItsNativeNameAndComesBackIntoItsOwnView)
{
    WriteText(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_32KEY, L"Sicht", L"32 Bit");
    WriteText(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_64KEY, L"Sicht", L"64 Bit");

    WithRunFiles([&] {
        for (const RegView view : {RegView::Native, RegView::Wow32}) {
            const KeyOutcome outcome =
                rig.ExportAndDeleteKey(RegLocation{kHkeyLocalMachine, view, "SOFTWARE\\HivetidyAnsicht"});
            EXPECT_EQ(outcome.kind, KeyOutcome::Kind::Removed) << Told(outcome);
        }
    });

    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_32KEY, L"Sicht"), std::nullopt);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_64KEY, L"Sicht"), std::nullopt);
    EXPECT_EQ(ReadBytes(kLog),
              "Folgende Knoten wurden aus der Registry gel\xF6scht :\r\n"
              "=========================================\r\n"
              "\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\HivetidyAnsicht]\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\HivetidyAnsicht]\r\n");
    // Each view's own data under its own name: a 32-bit editor would have saved the 32-bit key's
    // data under the plain name.
    EXPECT_EQ(ReadUtf16File(kBackup), "Windows Registry Editor Version 5.00\r\n"
                                      "\r\n"
                                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\HivetidyAnsicht]\r\n"
                                      "\"Sicht\"=\"64 Bit\"\r\n"
                                      "\r\n"
                                      "\r\n"
                                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\HivetidyAnsicht]\r\n"
                                      "\"Sicht\"=\"32 Bit\"\r\n"
                                      "\r\n");

    // What Undo does: the native editor imports the backup, and every key returns to its view.
    ASSERT_TRUE(real.RunEditorToEnd(std::string("regedit /s \"") + kBackup + "\""));
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_32KEY, L"Sicht"), L"32 Bit");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_64KEY, L"Sicht"), L"64 Bit");
}

TEST_F(RegistryViewsOnWindows, AKeyBothViewsShareIsRemovedOnceUnderItsOneName)
{
    // Type libraries are one key for both views, on Windows 7 and later and under Wine.
    WriteText(HKEY_CLASSES_ROOT, kSharedTypeLib, KEY_WOW64_32KEY, nullptr, L"Gemeinsam");
    ASSERT_EQ(ReadText(HKEY_CLASSES_ROOT, kSharedTypeLib, KEY_WOW64_64KEY, nullptr), L"Gemeinsam");

    WithRunFiles([&] {
        rig.ExportAndDeleteKey(RegLocation{kHkeyClassesRoot, RegView::Wow32, "TypeLib\\{4F1E7001-0000-4000-8000-000000000001}"});
        rig.ExportAndDeleteKey(RegLocation{kHkeyClassesRoot, RegView::Native, "TypeLib\\{4F1E7001-0000-4000-8000-000000000001}"});
    });

    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kSharedTypeLib, KEY_WOW64_64KEY, nullptr), std::nullopt);
    EXPECT_EQ(ReadBytes(kLog),
              "Folgende Knoten wurden aus der Registry gel\xF6scht :\r\n"
              "=========================================\r\n"
              "\r\n"
              "[HKEY_CLASSES_ROOT\\TypeLib\\{4F1E7001-0000-4000-8000-000000000001}]\r\n");
}

} // namespace
} // namespace hivetidy::win32::testing
