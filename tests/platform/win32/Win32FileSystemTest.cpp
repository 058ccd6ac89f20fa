#include "platform/win32/Win32FileSystem.h"

#include "ScratchFolder.h"
#include "platform/win32/UniqueResource.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/WideText.h"

#include <aclapi.h>
#include <sddl.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

namespace hivetidy::win32 {
namespace {

std::wstring ShortPathFromSystem(const std::wstring& path)
{
    std::vector<wchar_t> buffer(32768);
    const DWORD length = GetShortPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    return std::wstring(buffer.data(), length);
}

std::wstring LastComponent(const std::wstring& path)
{
    return path.substr(path.rfind(L'\\') + 1);
}

bool RunningOnWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// True in an elevated process of an administrator; a filtered token has Administrators for
// denying only, which CheckTokenMembership does not count.
bool RunningAsAdministrator()
{
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(sid);
    BOOL member = FALSE;
    return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
           CheckTokenMembership(nullptr, sid, &member) && member;
}

bool NameExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A junction made as any user makes one, with FSCTL_SET_REPARSE_POINT on an empty folder; taken
// away again (the link, not its target) when the test ends.
class Junction {
public:
    Junction(std::wstring link, const std::wstring& target) : m_link(std::move(link))
    {
        // The mount-point layout of a reparse buffer: the target as the system names it, then as
        // people read it, each with its NUL.
        const std::wstring substitute = L"\\??\\" + target;
        struct {
            DWORD tag;
            WORD dataLength;
            WORD reserved;
            WORD substituteOffset;
            WORD substituteLength;
            WORD printOffset;
            WORD printLength;
            wchar_t names[1024];
        } buffer{};
        const auto substituteBytes = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
        const auto printBytes = static_cast<WORD>(target.size() * sizeof(wchar_t));
        buffer.tag = IO_REPARSE_TAG_MOUNT_POINT;
        buffer.substituteLength = substituteBytes;
        buffer.printOffset = static_cast<WORD>(substituteBytes + sizeof(wchar_t));
        buffer.printLength = printBytes;
        std::copy(substitute.begin(), substitute.end(), buffer.names);
        std::copy(target.begin(), target.end(), buffer.names + substitute.size() + 1);
        buffer.dataLength = static_cast<WORD>(8 + buffer.printOffset + printBytes + sizeof(wchar_t));
        if (!CreateDirectoryW(m_link.c_str(), nullptr)) {
            return;
        }
        const UniqueFile folder(CreateFileW(m_link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        DWORD returned = 0;
        m_made = folder && DeviceIoControl(folder.get(), FSCTL_SET_REPARSE_POINT, &buffer, buffer.dataLength + 8u,
                                           nullptr, 0, &returned, nullptr);
    }
    ~Junction() { RemoveDirectoryW(m_link.c_str()); }
    Junction(const Junction&) = delete;
    Junction& operator=(const Junction&) = delete;

    explicit operator bool() const { return m_made; }

private:
    std::wstring m_link;
    bool m_made = false;
};

bool IsLinkToFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    constexpr DWORD kLinkToFolder = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & kLinkToFolder) == kLinkToFolder;
}

// The first entry of a folder for which keep says yes, as a full path; nullopt for none.
template <class Keep>
std::optional<std::wstring> FirstEntry(const std::wstring& folder, Keep&& keep)
{
    WIN32_FIND_DATAW found{};
    const UniqueFindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!search) {
        return std::nullopt;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L".." && keep(folder + L"\\" + name)) {
            return folder + L"\\" + name;
        }
    } while (FindNextFileW(search.get(), &found));
    return std::nullopt;
}

// Wine can make no junction, but shows the host's symbolic links to folders (on Z:, the host's
// root) as reparse points: a folder link there and a folder below it, when there are such.
std::optional<std::pair<std::wstring, std::wstring>> HostsLinkedFolder()
{
    if (!RunningOnWine()) {
        return std::nullopt;
    }
    // Below the link, a folder that is no link itself.
    const auto isPlainFolder = [](const std::wstring& path) {
        std::error_code error;
        return std::filesystem::is_directory(path, error) && !IsLinkToFolder(path);
    };
    const auto link = FirstEntry(L"Z:", [&](const std::wstring& path) {
        return IsLinkToFolder(path) && FirstEntry(path, isPlainFolder).has_value();
    });
    if (!link) {
        return std::nullopt;
    }
    return std::pair{*link, *FirstEntry(*link, isPlainFolder)};
}

using UniqueLocalMemory = UniqueResource<HLOCAL, &LocalFree>;

// The entries of a descriptor's access list as "SID rights flags", sorted, for comparing.
std::vector<std::string> AccessEntries(PSECURITY_DESCRIPTOR descriptor)
{
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) || !present || acl == nullptr) {
        return {"no access list"};
    }
    std::vector<std::string> entries;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(acl, i, &ace)) {
            return {"unreadable entry"};
        }
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            entries.push_back("type " + std::to_string(header->AceType));
            continue;
        }
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        UniqueLocalMemory sid;
        ConvertSidToStringSidW(const_cast<DWORD*>(&allowed->SidStart), reinterpret_cast<LPWSTR*>(sid.put()));
        char rights[16];
        std::snprintf(rights, sizeof(rights), "0x%lx", static_cast<unsigned long>(allowed->Mask));
        std::string flags;
        for (const auto& [flag, name] : {std::pair{OBJECT_INHERIT_ACE, "OI"}, std::pair{CONTAINER_INHERIT_ACE, "CI"},
                                        std::pair{INHERIT_ONLY_ACE, "IO"}, std::pair{NO_PROPAGATE_INHERIT_ACE, "NP"},
                                        std::pair{INHERITED_ACE, "ID"}}) {
            if ((header->AceFlags & flag) != 0) {
                flags += name;
            }
        }
        entries.push_back(Narrow(static_cast<const wchar_t*>(sid.get())) + " " + rights + " " + flags);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// Full control (0x1f01ff) for SYSTEM and Administrators, read and execute (0x1200a9) for Users.
std::vector<std::string> ProtectedEntries(const std::string& flags)
{
    return {"S-1-5-18 0x1f01ff " + flags, "S-1-5-32-544 0x1f01ff " + flags, "S-1-5-32-545 0x1200a9 " + flags};
}

bool IsProtectedFromItsParent(PSECURITY_DESCRIPTOR descriptor)
{
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    return GetSecurityDescriptorControl(descriptor, &control, &revision) && (control & SE_DACL_PROTECTED) != 0;
}

struct NamedSecurity {
    UniqueLocalMemory descriptor;
    DWORD error;
};

NamedSecurity AccessListOf(const std::wstring& path)
{
    NamedSecurity security;
    auto* descriptor = reinterpret_cast<PSECURITY_DESCRIPTOR*>(security.descriptor.put());
    security.error = GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                           nullptr, nullptr, descriptor);
    return security;
}

// Every test works in a scratch folder of its own.
class Win32FileSystemTest : public ::testing::Test {
protected:
    // The UTF-8 full path of a name in the scratch folder.
    [[nodiscard]] std::string PathOf(std::string_view name) const { return Narrow(WidePathOf(name)); }
    [[nodiscard]] std::wstring WidePathOf(std::string_view name) const
    {
        return name.empty() ? m_scratch.Path().wstring() : (m_scratch.Path() / Widen(name)).wstring();
    }
    void WriteBytes(std::string_view name, std::string_view bytes)
    {
        auto file = m_files.Create(PathOf(name));
        ASSERT_NE(file, nullptr) << name;
        ASSERT_TRUE(file->Write(bytes) && file->Close()) << name;
    }

    ScratchFolder m_scratch{L"HivetidyFsTest"};
    Win32FileSystem m_files;
};

TEST_F(Win32FileSystemTest, FindFirstGivesTheLongNameOfAFolderOrFile)
{
    std::filesystem::create_directory(WidePathOf("Programme Langname"));
    ASSERT_TRUE(m_files.Create(PathOf("Pr\u00fcfung.txt"))->Close());

    EXPECT_EQ(m_files.FindFirst(PathOf("Programme Langname")), "Programme Langname");
    EXPECT_EQ(m_files.FindFirst(PathOf("PROGRAMME LANGNAME")), "Programme Langname");
    EXPECT_EQ(m_files.FindFirst(PathOf("Pr\u00fcfung.txt")), "Pr\u00fcfung.txt");
}

TEST_F(Win32FileSystemTest, FindFirstByTheSystemsShortAliasGivesTheLongName)
{
    const std::wstring folder = WidePathOf("Programme Langname");
    std::filesystem::create_directory(folder);
    const std::wstring alias = ShortPathFromSystem(folder);
    ASSERT_NE(LastComponent(alias).find(L'~'), std::wstring::npos) << Narrow(alias);

    EXPECT_EQ(m_files.FindFirst(Narrow(alias)), "Programme Langname");
    // Aliases are spelt in capitals; a lookup in any letter case finds the folder all the same.
    std::wstring lowerAlias = alias;
    CharLowerW(lowerAlias.data());
    EXPECT_EQ(m_files.FindFirst(Narrow(lowerAlias)), "Programme Langname");
}

TEST_F(Win32FileSystemTest, FindFirstOfNothingIsEmpty)
{
    EXPECT_EQ(m_files.FindFirst(PathOf("Fehlt")), "");
    EXPECT_EQ(m_files.FindFirst(PathOf("Fehlt\\auch")), "");
}

TEST_F(Win32FileSystemTest, ShortPathOfIsTheSystemsOwnSpellingAndNothingForAMissingPath)
{
    const std::wstring folder = WidePathOf("Programme Langname");
    std::filesystem::create_directory(folder);

    EXPECT_EQ(m_files.ShortPathOf(Narrow(folder)), Narrow(ShortPathFromSystem(folder)));
    EXPECT_EQ(m_files.ShortPathOf(PathOf("Fehlt")), std::nullopt);
}

// One row per spelling of one file. Each catches FullPathOf leaving that spelling as typed where
// Windows opens the same file: '/', another letter case, the short alias, "." and "..", the last
// name's trailing dot and blank, a name relative to the current directory or to the drive's
// current folder, "C:\x" taken from the current folder instead of the root; and a path on no
// drive taken for one.
TEST_F(Win32FileSystemTest, FullPathOfSpellsEveryNameOfAFileAlikeAsWindowsOpensIt)
{
    const std::wstring folder = WidePathOf("Programme Langname");
    std::filesystem::create_directory(folder);
    WriteBytes("Programme Langname\\PC-07.reg", "x");
    const std::wstring alias = ShortPathFromSystem(folder);
    ASSERT_NE(LastComponent(alias).find(L'~'), std::wstring::npos) << Narrow(alias);
    const auto scratch = m_files.FullPathOf(PathOf(""));
    ASSERT_TRUE(scratch);
    ASSERT_EQ(CompareStringOrdinal(Widen(*scratch).c_str(), -1, m_scratch.Path().c_str(), -1, TRUE), CSTR_EQUAL)
        << *scratch;
    ASSERT_EQ((*scratch)[1], ':');
    const std::string drive = scratch->substr(0, 2);
    const std::string file = *scratch + "\\Programme Langname\\PC-07.reg";
    ASSERT_TRUE(m_files.SetCurrentDirectory(*scratch));

    std::string slashed = PathOf("programme langname/pc-07.REG");
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    const std::vector<std::pair<std::string, std::string>> rows{
        {slashed, file},
        {Narrow(alias) + "\\PC-07.reg", file},
        {PathOf("Programme Langname\\..\\.\\Programme Langname\\PC-07.reg"), file},
        {PathOf("Programme Langname\\PC-07.reg. "), file},
        {"Programme Langname\\PC-07.reg", file},
        {drive + "Programme Langname\\PC-07.reg", file},
        {drive + "\\x.reg", drive + "\\x.reg"},
        {"Fehlt\\Neu.reg", *scratch + "\\Fehlt\\Neu.reg"},
    };
    for (const auto& [given, full] : rows) {
        EXPECT_EQ(m_files.FullPathOf(given), full) << given;
    }
    // A share's path is resolved below the share as a drive's below its root (a backup may be kept
    // on a file server); a device, or a share without a file, names none.
    EXPECT_EQ(m_files.FullPathOf("\\\\server\\share\\alt\\..\\x.reg"), "\\\\server\\share\\x.reg");
    EXPECT_EQ(m_files.FullPathOf("//server/share/x.reg"), "\\\\server\\share\\x.reg");
    EXPECT_EQ(m_files.FullPathOf("\\\\server\\share"), std::nullopt);
    EXPECT_EQ(m_files.FullPathOf("\\\\.\\COM1"), std::nullopt);
    EXPECT_EQ(m_files.FullPathOf("\\\\?\\C:\\x.reg"), std::nullopt);
    EXPECT_EQ(m_files.FullPathOf(""), std::nullopt);
}

TEST_F(Win32FileSystemTest, WrittenBytesAreReadBackExactly)
{
    const std::string bytes("REGEDIT4\r\n\r\ngel\xF6scht\r\n\0\xFF", 25);
    auto file = m_files.Create(PathOf("hlp.reg"));
    ASSERT_NE(file, nullptr);

    EXPECT_TRUE(file->Write(bytes.substr(0, 10)));
    EXPECT_TRUE(file->Flush());
    // Reading shares no writing, so a file still being written is not read at all.
    EXPECT_EQ(m_files.ReadAll(PathOf("hlp.reg")), std::nullopt);
    EXPECT_TRUE(file->Write(bytes.substr(10)));
    EXPECT_TRUE(file->Close());

    EXPECT_EQ(m_files.ReadAll(PathOf("hlp.reg")), bytes);
}

TEST_F(Win32FileSystemTest, CreateEmptiesAnExistingFile)
{
    auto first = m_files.Create(PathOf("backup.reg"));
    ASSERT_TRUE(first->Write("ein langer alter Inhalt"));
    ASSERT_TRUE(first->Close());

    auto second = m_files.Create(PathOf("backup.reg"));
    ASSERT_TRUE(second->Write("neu"));
    ASSERT_TRUE(second->Close());

    EXPECT_EQ(m_files.ReadAll(PathOf("backup.reg")), "neu");
}

TEST_F(Win32FileSystemTest, AClosedFileTakesNoMoreWrites)
{
    auto file = m_files.Create(PathOf("zu.txt"));
    ASSERT_TRUE(file->Close());

    EXPECT_FALSE(file->Write("mehr"));
    EXPECT_FALSE(file->Flush());
    EXPECT_FALSE(file->Close());
}

TEST_F(Win32FileSystemTest, CreateInAMissingFolderFails)
{
    EXPECT_EQ(m_files.Create(PathOf("Fehlt\\datei.txt")), nullptr);
}

TEST_F(Win32FileSystemTest, ReadAllOfAMissingFileIsNothing)
{
    EXPECT_EQ(m_files.ReadAll(PathOf("fehlt.txt")), std::nullopt);
}

TEST_F(Win32FileSystemTest, DeleteRemovesAFileOnce)
{
    ASSERT_TRUE(m_files.Create(PathOf("weg.txt"))->Close());

    EXPECT_TRUE(m_files.Delete(PathOf("weg.txt")));
    EXPECT_EQ(m_files.ReadAll(PathOf("weg.txt")), std::nullopt);
    EXPECT_FALSE(m_files.Delete(PathOf("weg.txt")));
    EXPECT_FALSE(m_files.Delete(PathOf(""))); // a folder
}

TEST_F(Win32FileSystemTest, CreateDirectoryMakesANewFolderOnly)
{
    EXPECT_TRUE(m_files.CreateDirectory(PathOf("REGISTRY")));
    EXPECT_FALSE(m_files.CreateDirectory(PathOf("REGISTRY")));
    EXPECT_EQ(m_files.FindFirst(PathOf("REGISTRY")), "REGISTRY");
}

TEST_F(Win32FileSystemTest, AHandleOfAnotherProcessAllowsOnlyWhatItShares)
{
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    struct Row {
        DWORD access;
        DWORD sharing;
        bool readable; // by ReadAll and HoldForReading
        // Create replaces a file by deleting it first. Where the other handle shares deletion the
        // file is deleted, but whether its name is free before that handle closes depends on the
        // system; Delete must say which it is.
        std::optional<bool> creatable;
        std::optional<bool> deletable;
    };
    // The rows of the simulated file system's test.
    const Row rows[] = {
        {GENERIC_READ, FILE_SHARE_READ, true, false, false},
        {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, true, false, false},
        {GENERIC_WRITE, kShareAll, false, std::nullopt, std::nullopt},
        {DELETE, kShareAll, false, std::nullopt, std::nullopt},
        {GENERIC_READ, 0, false, false, false},
    };
    int number = 0;
    for (const Row& row : rows) {
        const std::string name = "hlp" + std::to_string(++number) + ".reg";
        SCOPED_TRACE(name);
        WriteBytes(name, "REGEDIT4");
        const UniqueFile other(CreateFileW(WidePathOf(name).c_str(), row.access, row.sharing, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(other);

        EXPECT_EQ(m_files.ReadAll(PathOf(name)).has_value(), row.readable);
        EXPECT_EQ(m_files.HoldForReading(PathOf(name)) != nullptr, row.readable);
        if (auto written = m_files.Create(PathOf(name))) {
            EXPECT_NE(row.creatable, false);
            EXPECT_TRUE(written->Close());
        } else {
            EXPECT_NE(row.creatable, true);
        }
        const bool deleted = m_files.Delete(PathOf(name));
        EXPECT_EQ(deleted, !NameExists(WidePathOf(name)));
        if (row.deletable) {
            EXPECT_EQ(deleted, *row.deletable);
        }
    }
}

TEST_F(Win32FileSystemTest, AHeldFileCanBeReadByOthersButNotWrittenReplacedOrDeleted)
{
    WriteBytes("sicherung.reg", "REGEDIT4");
    WriteBytes("untergeschoben.reg", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Fremd]");
    const std::wstring held = WidePathOf("sicherung.reg");
    auto hold = m_files.HoldForReading(PathOf("sicherung.reg"));
    ASSERT_NE(hold, nullptr);

    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    EXPECT_FALSE(UniqueFile(
        CreateFileW(held.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    EXPECT_FALSE(DeleteFileW(held.c_str()));
    EXPECT_FALSE(MoveFileExW(WidePathOf("untergeschoben.reg").c_str(), held.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(MoveFileExW(held.c_str(), WidePathOf("woanders.reg").c_str(), 0));
    EXPECT_EQ(m_files.Create(PathOf("sicherung.reg")), nullptr);
    EXPECT_FALSE(m_files.Delete(PathOf("sicherung.reg")));

    // The registry editor's import reads through the C runtime.
    FILE* reader = _wfopen(held.c_str(), L"rb");
    ASSERT_NE(reader, nullptr);
    char bytes[16] = {};
    EXPECT_EQ(std::fread(bytes, 1, sizeof(bytes), reader), 8u);
    std::fclose(reader);
    EXPECT_EQ(m_files.ReadAll(PathOf("sicherung.reg")), "REGEDIT4");

    hold.reset();
    EXPECT_TRUE(m_files.Delete(PathOf("sicherung.reg")));
}

// Catches a writer turned into a hold through the file's name or with a gap a replacement could
// use, and a hold that keeps write access, which the editor's import could not open beside.
TEST_F(Win32FileSystemTest, AWrittenFileHandedToItsHoldIsNeverLetGoAndReadsBackThroughIt)
{
    auto file = m_files.Create(PathOf("sicherung.reg"));
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->Write("REGEDIT4\r\n"));
    const std::wstring held = WidePathOf("sicherung.reg");
    // While it is written, nobody else can delete it or write to it either.
    EXPECT_FALSE(DeleteFileW(held.c_str()));
    auto hold = file->CloseIntoHold();
    ASSERT_NE(hold, nullptr);
    EXPECT_FALSE(file->Write("mehr"));

    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    EXPECT_FALSE(UniqueFile(
        CreateFileW(held.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    EXPECT_FALSE(DeleteFileW(held.c_str()));
    // A reader that shares reading only, as an importing editor may be, gets in.
    EXPECT_TRUE(UniqueFile(
        CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    EXPECT_EQ(hold->Contents(), "REGEDIT4\r\n");
    EXPECT_EQ(hold->Contents(), "REGEDIT4\r\n"); // from its start each time

    hold.reset();
    EXPECT_TRUE(m_files.Delete(PathOf("sicherung.reg")));
}

TEST_F(Win32FileSystemTest, ReadAllAndHoldForReadingRefuseAFileWithASecondNameOrAFolder)
{
    WriteBytes("zweifach.reg", "REGEDIT4");
    ASSERT_TRUE(CreateHardLinkW(WidePathOf("zweiter Name.reg").c_str(), WidePathOf("zweifach.reg").c_str(), nullptr));

    for (const char* name : {"zweifach.reg", "zweiter Name.reg", ""}) {
        EXPECT_EQ(m_files.ReadAll(PathOf(name)), std::nullopt) << name;
        EXPECT_EQ(m_files.HoldForReading(PathOf(name)), nullptr) << name;
    }

    // Once the second name is gone the file has one name again.
    ASSERT_TRUE(m_files.Delete(PathOf("zweiter Name.reg")));
    EXPECT_EQ(m_files.ReadAll(PathOf("zweifach.reg")), "REGEDIT4");
    EXPECT_NE(m_files.HoldForReading(PathOf("zweifach.reg")), nullptr);
}

TEST_F(Win32FileSystemTest, ReadAllAndHoldForReadingRefuseASymbolicLinkWhichDeleteRemovesItself)
{
    WriteBytes("eigen.reg", "fremd");
    const std::wstring link = WidePathOf("hlp.reg");
    // Wine 8 reports success and makes nothing; Windows needs the privilege or developer mode.
    const bool made =
        CreateSymbolicLinkW(link.c_str(), WidePathOf("eigen.reg").c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    const DWORD attributes = GetFileAttributesW(link.c_str());
    if (!made || attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        GTEST_SKIP() << "this system makes no symbolic link here";
    }

    EXPECT_EQ(m_files.ReadAll(PathOf("hlp.reg")), std::nullopt);
    EXPECT_EQ(m_files.HoldForReading(PathOf("hlp.reg")), nullptr);
    EXPECT_TRUE(m_files.Delete(PathOf("hlp.reg")));
    EXPECT_EQ(m_files.ReadAll(PathOf("eigen.reg")), "fremd");
}

TEST_F(Win32FileSystemTest, IsRealFolderForAnExistingFolderOnly)
{
    std::filesystem::create_directories(WidePathOf("Daten\\Unter"));
    WriteBytes("datei.txt", "");
    ASSERT_TRUE(m_files.SetCurrentDirectory(PathOf("Daten")));

    const struct {
        std::string path;
        bool real;
    } rows[] = {
        {PathOf("Daten\\Unter"), true},
        {PathOf("Daten\\Unter\\"), true},
        {"Unter\\..\\Unter", true},
        {"C:\\", true},
        {PathOf("datei.txt"), false},
        {PathOf("Fehlt"), false},
        {PathOf("Fehlt\\Unter"), false},
        {"\\\\?\\" + PathOf("Daten"), false}, // a form that is not walked
    };
    for (const auto& row : rows) {
        EXPECT_EQ(m_files.IsRealFolder(row.path), row.real) << row.path;
    }
}

TEST_F(Win32FileSystemTest, IsRealFolderSeesALinkAnywhereOnTheWay)
{
    std::filesystem::create_directories(WidePathOf("Ziel\\Unter"));
    const Junction junction(WidePathOf("Verbunden"), WidePathOf("Ziel"));
    std::wstring link = WidePathOf("Verbunden");
    std::wstring below = WidePathOf("Verbunden\\Unter");
    if (!junction) {
        const auto host = HostsLinkedFolder();
        if (!host) {
            GTEST_SKIP() << "this system makes no junction and shows no folder link to borrow";
        }
        std::tie(link, below) = *host;
    }
    ASSERT_TRUE(std::filesystem::is_directory(below)) << Narrow(below);

    EXPECT_TRUE(m_files.IsRealFolder(PathOf("Ziel\\Unter")));
    EXPECT_FALSE(m_files.IsRealFolder(Narrow(link))) << Narrow(link);
    EXPECT_FALSE(m_files.IsRealFolder(Narrow(below))) << Narrow(below);
}

TEST_F(Win32FileSystemTest, TheProtectedFolderAccessListLetsOnlyAdministratorsAndSystemWrite)
{
    UniqueLocalMemory descriptor;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        kProtectedFolderSddl, SDDL_REVISION_1, reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()), nullptr));

    EXPECT_TRUE(IsProtectedFromItsParent(descriptor.get()));
    EXPECT_EQ(AccessEntries(descriptor.get()), ProtectedEntries("OICI"));
}

TEST_F(Win32FileSystemTest, CreateProtectedDirectoryGivesANewFolderAndWhatIsMadeInItThatAccessList)
{
    EXPECT_TRUE(m_files.CreateProtectedDirectory(PathOf("REGISTRY")));
    EXPECT_FALSE(m_files.CreateProtectedDirectory(PathOf("REGISTRY")));
    EXPECT_FALSE(m_files.CreateProtectedDirectory(PathOf("Fehlt\\REGISTRY")));
    EXPECT_TRUE(m_files.IsRealFolder(PathOf("REGISTRY")));

    const auto folder = AccessListOf(WidePathOf("REGISTRY"));
    ASSERT_EQ(folder.error, ERROR_SUCCESS);
    for (const std::string& entry : AccessEntries(folder.descriptor.get())) {
        EXPECT_FALSE(entry.starts_with("S-1-1-0 ")) << "Everyone may " << entry;
    }
    if (RunningOnWine()) {
        GTEST_SKIP() << "Wine keeps a file's access list only as Unix permission bits";
    }
    EXPECT_TRUE(IsProtectedFromItsParent(folder.descriptor.get()));
    EXPECT_EQ(AccessEntries(folder.descriptor.get()), ProtectedEntries("OICI"));

    if (!RunningAsAdministrator()) {
        GTEST_SKIP() << "only Administrators may make a file in the folder, and this test runs as another user";
    }
    WriteBytes("REGISTRY\\HIVETIDY.BAK", "");
    const auto file = AccessListOf(WidePathOf("REGISTRY\\HIVETIDY.BAK"));
    ASSERT_EQ(file.error, ERROR_SUCCESS);
    EXPECT_EQ(AccessEntries(file.descriptor.get()), ProtectedEntries("ID"));
}

TEST_F(Win32FileSystemTest, CurrentDirectoryRoundTripsAndKeepsTheRootsBackslash)
{
    ASSERT_TRUE(m_files.SetCurrentDirectory(PathOf("")));
    EXPECT_EQ(m_files.CurrentDirectory(), PathOf(""));
    EXPECT_EQ(std::filesystem::current_path(), m_scratch.Path());

    ASSERT_TRUE(m_files.SetCurrentDirectory("C:\\"));
    EXPECT_EQ(m_files.CurrentDirectory(), "C:\\");

    EXPECT_FALSE(m_files.SetCurrentDirectory(PathOf("Fehlt")));
    EXPECT_EQ(m_files.CurrentDirectory(), "C:\\");
}

} // namespace
} // namespace hivetidy::win32
