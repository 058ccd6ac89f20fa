// Export-then-delete with the real registry editor, and the backup imported again, under Wine.

#include "RealPlatform.h"

#include "app/Form1.h"
#include "support/KeyRemovalRig.h"

#include <gtest/gtest.h>

#include "platform/win32/Win32Api.h"

#include <fstream>
#include <iterator>

namespace hivetidy::win32::testing {
namespace {

constexpr const wchar_t* kTree = L"Software\\HivetidyRundreise";
constexpr const char* kBackup = "C:\\REGISTRY\\rundreise.reg";

std::string ReadBytes(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void SetValue(HKEY key, const wchar_t* name, DWORD type, const void* data, std::size_t size)
{
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)), ERROR_SUCCESS);
}

void SetText(HKEY key, const wchar_t* name, DWORD type, const std::wstring& text)
{
    SetValue(key, name, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

class ExportRoundTripOnWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
        HKEY root = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kTree, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root, nullptr), ERROR_SUCCESS);
        SetText(root, nullptr, REG_SZ, L"Gr\u00fc\u00dfe aus der Werkhalle");
        SetText(root, L"Leer", REG_SZ, L"");
        SetText(root, L"Pfad", REG_EXPAND_SZ, L"%SystemRoot%\\Pr\u00fcfstand");
        const wchar_t multi[] = L"eins\0zwei \u00e4\u00f6\u00fc\0";
        SetValue(root, L"Liste", REG_MULTI_SZ, multi, sizeof multi);
        const unsigned char bytes[] = {0x00, 0x01, 0x7f, 0x80, 0xff};
        SetValue(root, L"Rohdaten", REG_BINARY, bytes, sizeof bytes);
        const DWORD number = 0x12345678;
        SetValue(root, L"Zahl", REG_DWORD, &number, sizeof number);
        HKEY sub = nullptr;
        ASSERT_EQ(RegCreateKeyExW(root, L"Pr\u00fcfstand \u00c4\\Achse \u20ac", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr), ERROR_SUCCESS);
        SetText(sub, L"Bezeichnung \u00df", REG_SZ, L"\"zitiert\" und \\ r\u00fcckw\u00e4rts");
        RegCloseKey(sub);
        RegCloseKey(root);
        DeleteFileA(kBackup);
    }

    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTree); }

    // The editor's own full export of the tree, as bytes.
    std::string Export()
    {
        const char* file = "C:\\hivetidy-vergleich.reg";
        DeleteFileA(file);
        EXPECT_TRUE(real.RunEditorToEnd(std::string("regedit /e ") + file + " \"HKEY_CURRENT_USER\\Software\\HivetidyRundreise\""));
        std::string bytes = ReadBytes(file);
        DeleteFileA(file);
        return bytes;
    }

    bool TreeExists()
    {
        HKEY key = nullptr;
        const bool exists = RegOpenKeyExW(HKEY_CURRENT_USER, kTree, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (exists) {
            RegCloseKey(key);
        }
        return exists;
    }

    RealPlatform real;
    Form1 form{real.platform};
    hivetidy::testing::KeyRemovalRig rig{real.platform, form};
};

TEST_F(ExportRoundTripOnWindows, TheBackupRestoresTheDeletedTreeByteForByte)
{
    const std::string before = Export();
    ASSERT_TRUE(before.starts_with("\xFF\xFE"));

    real.dialogs.m_savePath = kBackup;
    form.Run().LocateInstallation();
    rig.OpenRunFiles();
    rig.ExportAndDeleteKey("HKEY_CURRENT_USER", "Software\\", "HivetidyRundreise");
    rig.ExportAndDeleteKey("HKEY_CURRENT_USER", "Software\\", "HivetidyGibtEsNicht");
    rig.CloseRunFiles();

    EXPECT_FALSE(TreeExists());
    // One key: the backup is that key's export exactly, header and all.
    EXPECT_EQ(ReadBytes(kBackup), before);
    EXPECT_EQ(ReadBytes("C:\\REGISTRY\\HIVETIDY.BAK"),
              "Folgende Knoten wurden aus der Registry gel\xF6scht :\r\n"
              "=========================================\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\HivetidyRundreise]\r\n");
    EXPECT_EQ(GetFileAttributesA("C:\\registry\\hlp.reg"), INVALID_FILE_ATTRIBUTES);

    ASSERT_TRUE(real.RunEditorToEnd(std::string("regedit /s \"") + kBackup + "\""));
    EXPECT_TRUE(TreeExists());
    EXPECT_EQ(Export(), before);
}

} // namespace
} // namespace hivetidy::win32::testing
