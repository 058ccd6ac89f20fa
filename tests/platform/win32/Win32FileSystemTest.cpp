#include "platform/win32/Win32FileSystem.h"

#include "ScratchFolder.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/WideText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
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

// Every test works in a scratch folder of its own.
class Win32FileSystemTest : public ::testing::Test {
protected:
    // The UTF-8 full path of a name in the scratch folder.
    [[nodiscard]] std::string PathOf(std::string_view name) const { return Narrow(WidePathOf(name)); }
    [[nodiscard]] std::wstring WidePathOf(std::string_view name) const
    {
        return name.empty() ? m_scratch.Path().wstring() : (m_scratch.Path() / Widen(name)).wstring();
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

TEST_F(Win32FileSystemTest, WrittenBytesAreReadBackExactly)
{
    const std::string bytes("REGEDIT4\r\n\r\ngel\xF6scht\r\n\0\xFF", 25);
    auto file = m_files.Create(PathOf("hlp.reg"));
    ASSERT_NE(file, nullptr);

    EXPECT_TRUE(file->Write(bytes.substr(0, 10)));
    EXPECT_TRUE(file->Flush());
    EXPECT_EQ(m_files.ReadAll(PathOf("hlp.reg")), bytes.substr(0, 10));
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
}

TEST_F(Win32FileSystemTest, CreateDirectoryMakesANewFolderOnly)
{
    EXPECT_TRUE(m_files.CreateDirectory(PathOf("REGISTRY")));
    EXPECT_FALSE(m_files.CreateDirectory(PathOf("REGISTRY")));
    EXPECT_EQ(m_files.FindFirst(PathOf("REGISTRY")), "REGISTRY");
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
