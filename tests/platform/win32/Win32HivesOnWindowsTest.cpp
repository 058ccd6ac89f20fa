// Users' hives on the real registry. Wine takes no binary hive of Windows (1017), but one in its
// own text format, which RegSaveKeyW writes: each test saves a scratch key of its own into a
// file, deletes the key and loads the file under a test name below HKEY_USERS. Wine does not
// write a hive back into its file when it unloads it, so that is not asked here.

#include "platform/win32/Win32Hives.h"

#include "ScratchFolder.h"
#include "platform/win32/WideText.h"

#include <gtest/gtest.h>

#include "platform/win32/Win32Api.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace hivetidy::win32 {
namespace {

constexpr wchar_t kScratchKey[] = L"Software\\HivetidyHive";
constexpr char kTestName[] = "HivetidyTest";

// RegSaveKeyW needs the backup privilege, which the administrator's token holds disabled.
void EnableBackupPrivilege()
{
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
    TOKEN_PRIVILEGES wanted{};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    EXPECT_TRUE(LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &wanted.Privileges[0].Luid));
    EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &wanted, 0, nullptr, nullptr));
    CloseHandle(token);
}

// A hive file at path holding one key with the value Pfad = "C:\Robot", made from a scratch key
// of the current user that is gone again afterwards.
void SaveScratchHive(const std::filesystem::path& path)
{
    EnableBackupPrivilege();
    (void)RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kScratchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring robot = L"C:\\Robot";
    EXPECT_EQ(RegSetValueExW(key, L"Pfad", 0, REG_SZ, reinterpret_cast<const BYTE*>(robot.c_str()),
                             static_cast<DWORD>((robot.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSaveKeyW(key, path.c_str(), nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey), ERROR_SUCCESS);
}

[[nodiscard]] bool IsLoaded(Win32Hives& hives, std::string_view name)
{
    const std::vector<std::string> names = hives.LoadedNames();
    return std::ranges::find(names, name) != names.end();
}

// Catches a Load without the restore privilege (1314 even for an administrator), keys looked for
// anywhere but below HKEY_USERS\<name>, a LoadedNames whose name length is not reset after each
// key (the longer names after a short one are lost), and an Unload that reports a hive gone that
// is still there.
TEST(Win32HivesTest, ASavedKeyLoadsUnderTheNameAskedForAndUnloadsWithoutTrace)
{
    ScratchFolder folder(L"HivetidyHives");
    const std::filesystem::path file = folder.Path() / L"NTUSER.DAT";
    SaveScratchHive(file);
    Win32Hives hives;
    ASSERT_FALSE(IsLoaded(hives, kTestName));

    ASSERT_EQ(hives.Load(kTestName, Narrow(file.wstring())), HiveLoad::Loaded);
    wchar_t value[32] = {};
    DWORD size = sizeof value;
    EXPECT_EQ(RegGetValueW(HKEY_USERS, Widen(kTestName).c_str(), L"Pfad", RRF_RT_REG_SZ, nullptr, value, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(value, L"C:\\Robot");
    EXPECT_TRUE(IsLoaded(hives, kTestName));
    // A name that is taken is not loaded over.
    EXPECT_EQ(hives.Load(kTestName, Narrow(file.wstring())), HiveLoad::Failed);

    EXPECT_TRUE(hives.Unload(kTestName));
    EXPECT_FALSE(IsLoaded(hives, kTestName));
}

// Each row catches a refused load that is misnamed to the core, or that leaves the key Wine
// makes for a file that is no hive below HKEY_USERS.
TEST(Win32HivesTest, ARefusedLoadSaysWhyAndLeavesNoKey)
{
    ScratchFolder folder(L"HivetidyHives");
    const std::filesystem::path hive = folder.Path() / L"NTUSER.DAT";
    SaveScratchHive(hive);
    const std::filesystem::path text = folder.Path() / L"Notiz.txt";
    std::ofstream(text) << "Das ist keine Struktur.\r\n";
    // Held without sharing, as the system holds a logged-on user's hive.
    const HANDLE held = CreateFileW(hive.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    struct Row {
        const char* what;
        std::filesystem::path file;
        HiveLoad expected;
    };
    const std::vector<Row> rows = {
        {"a text file", text, HiveLoad::NotAHive},
        {"no such file", folder.Path() / L"fehlt.dat", HiveLoad::Missing},
        {"a file held open", hive, HiveLoad::InUse},
    };
    Win32Hives hives;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(hives.Load(kTestName, Narrow(row.file.wstring())), row.expected);
        EXPECT_FALSE(IsLoaded(hives, kTestName));
    }
    CloseHandle(held);
}

// Catches the terminating NUL that ExpandEnvironmentStringsW counts kept in the text, and a name
// it does not know dropped instead of left standing.
TEST(Win32HivesTest, AProfilePathIsExpandedFromTheEnvironment)
{
    Win32Hives hives;
    EXPECT_EQ(hives.ExpandEnvironment("%SystemDrive%\\Users\\anna"), "C:\\Users\\anna");
    EXPECT_EQ(hives.ExpandEnvironment("%HivetidyUnbekannt%\\anna"), "%HivetidyUnbekannt%\\anna");
}

// Catches a record written in place without being emptied first (a shorter record would keep the
// longer one's tail), the new file left beside it, and a removal that leaves it.
TEST(Win32HivesTest, TheRecordIsReadBackWholeAndGoneWhenRemoved)
{
    Win32Hives hives;
    hives.RemoveRecord();
    EXPECT_EQ(hives.ReadRecord(), std::nullopt);

    ASSERT_TRUE(hives.WriteRecord("S-1-5-21-1-1001\r\nS-1-5-21-1-1001_Classes\r\n"));
    EXPECT_EQ(hives.ReadRecord(), "S-1-5-21-1-1001\r\nS-1-5-21-1-1001_Classes\r\n");
    ASSERT_TRUE(hives.WriteRecord("S-1-5-21-1-1002\r\n"));
    EXPECT_EQ(hives.ReadRecord(), "S-1-5-21-1-1002\r\n");
    EXPECT_EQ(GetFileAttributesW(L"C:\\REGISTRY\\HIVETIDY.HI~"), INVALID_FILE_ATTRIBUTES);

    hives.RemoveRecord();
    EXPECT_EQ(hives.ReadRecord(), std::nullopt);
}

} // namespace
} // namespace hivetidy::win32
