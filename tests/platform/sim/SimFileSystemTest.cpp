#include "platform/sim/SimFileSystem.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace hivetidy::sim {
namespace {

class SimFileSystemTest : public ::testing::Test {
protected:
    SimFileSystemTest()
    {
        files.AddDirectory("C:\\Program Files", std::string("PROGRA~1"));
        files.AddDirectory("C:\\Programme", std::string("PROGRA~2"));
        files.AddDirectory("C:\\REGISTRY", std::nullopt);
    }

    // Creates the file and writes the texts to it, leaving it open.
    std::unique_ptr<WritableFile> Open(std::string_view path, std::initializer_list<std::string_view> writes = {})
    {
        auto file = files.Create(path);
        EXPECT_TRUE(file) << path;
        for (const std::string_view bytes : writes) {
            EXPECT_TRUE(file && file->Write(bytes));
        }
        return file;
    }

    SimFileSystem files;
};

TEST_F(SimFileSystemTest, NamesIgnoreCaseAndKeepTheirSpelling)
{
    files.AddDirectory("c:\\daten\\\u00c4lter", std::nullopt);
    EXPECT_TRUE(files.IsDirectory("C:\\DATEN\\\u00e4LTER"));
    EXPECT_EQ(files.FindFirst("C:\\Daten\\\u00e4lter"), "\u00c4lter");
    files.WriteFile("C:\\Daten\\Notiz.TXT", "x");
    EXPECT_EQ(files.ListFiles(), std::vector<std::string>{"C:\\daten\\Notiz.TXT"});
    EXPECT_EQ(files.Contents("c:\\DATEN\\notiz.txt"), "x");
}

TEST_F(SimFileSystemTest, TheCurrentDirectoryStartsAtTheRootAndKeepsTheSpellingItWasSetWith)
{
    EXPECT_EQ(files.CurrentDirectory(), "C:\\");
    EXPECT_TRUE(files.SetCurrentDirectory("c:\\registry\\"));
    EXPECT_EQ(files.CurrentDirectory(), "c:\\registry");
    EXPECT_TRUE(files.SetCurrentDirectory("C:\\PROGRA~1"));
    EXPECT_EQ(files.CurrentDirectory(), "C:\\PROGRA~1");
    files.WriteFile("C:\\REGISTRY\\a.txt", "x");
    EXPECT_FALSE(files.SetCurrentDirectory("C:\\REGISTRY\\a.txt"));
    EXPECT_FALSE(files.SetCurrentDirectory("C:\\Fehlt"));
    EXPECT_EQ(files.CurrentDirectory(), "C:\\PROGRA~1");
    EXPECT_TRUE(files.SetCurrentDirectory("C:\\"));
    EXPECT_EQ(files.CurrentDirectory(), "C:\\");
}

TEST_F(SimFileSystemTest, PathsResolveAsWin32ResolvesThem)
{
    files.WriteFile("C:\\REGISTRY\\hlp.reg", "x");
    for (const char* path : {"C:\\\\REGISTRY\\\\hlp.reg", "C:/registry/hlp.reg", "C:\\Programme\\..\\REGISTRY\\.\\hlp.reg",
                             "\\REGISTRY\\hlp.reg", "C:\\PROGRA~2\\..\\REGISTRY\\hlp.reg"}) {
        EXPECT_TRUE(files.Exists(path)) << path;
    }
    ASSERT_TRUE(files.SetCurrentDirectory("C:\\REGISTRY"));
    EXPECT_EQ(files.ReadAll("hlp.reg"), "x");
    EXPECT_EQ(files.ReadAll("C:hlp.reg"), "x");
    EXPECT_FALSE(files.Exists("\\\\server\\share\\hlp.reg"));
    EXPECT_FALSE(files.Exists(""));
}

TEST_F(SimFileSystemTest, FindFirstMatchesLongNamesAliasesAndWildcardsAndAnswersTheLongName)
{
    EXPECT_EQ(files.FindFirst("C:\\PROGRA~1"), "Program Files");
    EXPECT_EQ(files.FindFirst("c:\\Progra~2"), "Programme");
    EXPECT_EQ(files.FindFirst("c:\\Progra~3"), "");
    EXPECT_EQ(files.FindFirst("C:\\program files"), "Program Files");
    // In directory order: "PROGRAM FILES" sorts before "PROGRAMME".
    EXPECT_EQ(files.FindFirst("C:\\prog*"), "Program Files");
    EXPECT_EQ(files.FindFirst("C:\\*me"), "Programme");
    EXPECT_EQ(files.FindFirst("C:\\PROGRA~?"), "Program Files");
    EXPECT_EQ(files.FindFirst("C:\\REGISTRY\\*.*"), "");
    files.WriteFile("C:\\REGISTRY\\HIVETIDY.BAK", "");
    EXPECT_EQ(files.FindFirst("C:\\REGISTRY\\*.*"), "HIVETIDY.BAK");
    EXPECT_EQ(files.FindFirst("C:\\Fehlt\\*"), "");
    EXPECT_EQ(files.FindFirst("C:\\"), "");
}

TEST_F(SimFileSystemTest, ShortPathOfSpellsEachComponentByItsAliasWhereItHasOne)
{
    files.AddDirectory("C:\\Programme\\OMX\\Bibliothek", std::string("BIBLIO~1"));
    EXPECT_EQ(files.ShortPathOf("c:\\programme\\omx\\bibliothek"), "c:\\PROGRA~2\\OMX\\BIBLIO~1");
    EXPECT_EQ(files.ShortPathOf("C:\\PROGRA~2\\OMX"), "C:\\PROGRA~2\\OMX");
    EXPECT_EQ(files.ShortPathOf("C:\\"), "C:\\");
    EXPECT_EQ(files.ShortPathOf("C:\\Programme\\Fehlt"), std::nullopt);
}

// One row per way of spelling a file. Each catches a resolution that differs from Windows' in that
// one way: '/' kept, "C:x" taken from the root or "C:\\x" from C:'s current folder, another
// drive's "D:x" taken from its root although the environment names its folder, ".." or a trailing
// dot kept, an alias or a letter case left as typed, or a missing name respelled.
TEST_F(SimFileSystemTest, FullPathOfSpellsEveryNameOfAFileAlikeAsWindowsResolvesIt)
{
    files.AddDirectory("C:\\Sicherung Ordner", std::string("SICHER~1"));
    files.WriteFile("C:\\Sicherung Ordner\\PC-07.reg", "x");
    files.AddDirectory("D:\\Stick\\Service", std::nullopt);
    files.SetDriveFolder("D:\\Stick");
    ASSERT_TRUE(files.SetCurrentDirectory("c:\\sicherung ordner"));
    const struct {
        const char* given;
        const char* full;
    } rows[] = {
        {"C:/Sicherung Ordner/pc07.reg", "C:\\Sicherung Ordner\\pc07.reg"},
        {"C:PC-07.reg", "C:\\Sicherung Ordner\\PC-07.reg"},
        {"PC-07.reg", "C:\\Sicherung Ordner\\PC-07.reg"},
        {"C:\\PC-07.reg", "C:\\PC-07.reg"},
        {"\\PC-07.reg", "C:\\PC-07.reg"},
        {"D:Service\\x.reg", "D:\\Stick\\Service\\x.reg"},
        {"c:\\registry\\..\\SICHER~1\\.\\pc-07.REG", "C:\\Sicherung Ordner\\PC-07.reg"},
        {"C:\\Sicherung Ordner\\PC-07.reg. .", "C:\\Sicherung Ordner\\PC-07.reg"},
        {"C:\\Fehlt\\Neu.reg", "C:\\Fehlt\\Neu.reg"},
        {"C:\\Sicherung Ordner\\", "C:\\Sicherung Ordner\\"},
        {"c:\\", "C:\\"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(files.FullPathOf(row.given), row.full) << row.given;
    }
    EXPECT_EQ(files.FullPathOf("\\\\server\\share\\x.reg"), std::nullopt);
    EXPECT_EQ(files.FullPathOf(""), std::nullopt);
}

TEST_F(SimFileSystemTest, AnAliasBelongsToOneEntryOfItsDirectory)
{
    EXPECT_THROW(files.AddDirectory("C:\\Programs", std::string("progra~1")), std::invalid_argument);
    EXPECT_THROW(files.AddDirectory("C:\\Andere", std::string("PROGRAMME")), std::invalid_argument);
    EXPECT_NO_THROW(files.AddDirectory("C:\\Programme", std::string("PROGRA~2")));
    EXPECT_NO_THROW(files.AddDirectory("C:\\Daten\\Programme", std::string("PROGRA~1"))); // another directory
    EXPECT_FALSE(files.IsDirectory("C:\\Programs"));
}

TEST_F(SimFileSystemTest, CreateDirectoryMakesOneNewLevel)
{
    EXPECT_TRUE(files.CreateDirectory("C:\\REGISTRY\\Neu"));
    EXPECT_FALSE(files.CreateDirectory("C:\\registry\\neu")); // exists
    EXPECT_FALSE(files.CreateDirectory("C:\\Fehlt\\Neu"));    // no parent
    EXPECT_FALSE(files.CreateDirectory("C:\\PROGRA~2"));      // an alias names it already
    EXPECT_FALSE(files.CreateDirectory("Q:\\Neu"));           // no such drive
    files.FailDirectoryCreation("c:\\registry\\gesperrt");
    EXPECT_FALSE(files.CreateDirectory("C:\\REGISTRY\\Gesperrt"));
    files.FailDirectoryCreation("");
    EXPECT_TRUE(files.CreateDirectory("C:\\REGISTRY\\Gesperrt"));
}

TEST_F(SimFileSystemTest, CreateNeedsItsFolderAndReplacesAnExistingFile)
{
    EXPECT_EQ(files.Create("C:\\Fehlt\\a.txt"), nullptr);
    EXPECT_EQ(files.Create("C:\\REGISTRY"), nullptr);
    EXPECT_EQ(files.Create("C:\\REGISTRY\\*.txt"), nullptr);
    files.WriteFile("C:\\REGISTRY\\alt.txt", "vorher");
    auto file = Open("C:\\REGISTRY\\ALT.TXT", {"neu"});
    EXPECT_EQ(files.Contents("C:\\REGISTRY\\alt.txt"), "neu");
    EXPECT_EQ(files.DurableContents("C:\\REGISTRY\\alt.txt"), "");
    // A new file, by the name as now given.
    EXPECT_EQ(files.ListFiles(), std::vector<std::string>{"C:\\REGISTRY\\ALT.TXT"});
}

TEST_F(SimFileSystemTest, OnlyFlushedOrClosedBytesSurviveAPowerLoss)
{
    const std::string path = "C:\\REGISTRY\\log.txt";
    auto file = Open(path, {"eins "});
    EXPECT_EQ(files.Contents(path), "eins ");
    EXPECT_EQ(files.DurableContents(path), "");
    EXPECT_TRUE(file->Flush());
    EXPECT_TRUE(file->Write("zwei "));
    EXPECT_EQ(files.DurableContents(path), "eins ");
    EXPECT_TRUE(file->Close());
    EXPECT_EQ(files.DurableContents(path), "eins zwei ");
    EXPECT_FALSE(file->Write("drei"));
    EXPECT_FALSE(file->Flush());
    EXPECT_FALSE(file->Close());

    // A handle the ending program leaves open is closed without a flush.
    auto left = Open(path, {"a"});
    ASSERT_TRUE(left->Flush());
    ASSERT_TRUE(left->Write("b"));
    left.reset();
    EXPECT_FALSE(files.IsOpen(path));
    EXPECT_EQ(files.Contents(path), "ab");
    EXPECT_EQ(files.DurableContents(path), "a");
}

TEST_F(SimFileSystemTest, WriteFaultsHitOpenFilesTooUntilCleared)
{
    const std::string path = "C:\\REGISTRY\\backup.reg";
    auto file = Open(path, {"a"});
    files.FailWritesTo("c:\\registry\\BACKUP.REG");
    EXPECT_FALSE(file->Write("b"));
    auto other = Open("C:\\REGISTRY\\other.reg", {"fine"});
    files.FailWritesTo("");
    EXPECT_TRUE(file->Write("c"));
    EXPECT_EQ(files.Contents(path), "ac");
}

TEST_F(SimFileSystemTest, CreateFaultsNameOneFileUntilCleared)
{
    files.FailCreate("C:\\REGISTRY\\hlp.reg");
    EXPECT_EQ(files.Create("c:\\registry\\HLP.REG"), nullptr);
    EXPECT_FALSE(files.Exists("C:\\REGISTRY\\hlp.reg"));
    auto other = Open("C:\\REGISTRY\\x.reg");
    files.FailCreate("");
    auto now = Open("C:\\REGISTRY\\hlp.reg");
}

TEST_F(SimFileSystemTest, AFileOpenForWritingCannotBeDeletedOrCreatedAgain)
{
    const std::string path = "C:\\REGISTRY\\offen.txt";
    auto file = Open(path, {"x"});
    EXPECT_TRUE(files.IsOpen(path));
    EXPECT_FALSE(files.Delete(path));
    EXPECT_EQ(files.Create(path), nullptr);
    EXPECT_EQ(files.ReadAll(path), std::nullopt); // reading shares no writing
    ASSERT_TRUE(file->Close());
    EXPECT_TRUE(files.Delete(path));
    EXPECT_FALSE(files.Exists(path));
    EXPECT_FALSE(files.Delete(path));
    EXPECT_FALSE(files.Delete("C:\\REGISTRY")); // directories are not files
    EXPECT_EQ(files.ReadAll("C:\\REGISTRY"), std::nullopt);
    EXPECT_EQ(files.ReadAll(path), std::nullopt);
}

TEST_F(SimFileSystemTest, AHandleOfAnotherProcessAllowsOnlyWhatItShares)
{
    constexpr FileUse kRead = FileUse::Read;
    constexpr FileUse kAll = FileUse::Read | FileUse::Write | FileUse::Delete;
    struct Row {
        FileUse access;
        FileUse sharing;
        bool readable; // by ReadAll and HoldForReading
        bool creatable;
        bool deletable;
    };
    // The rows of the Win32 layer's test against the real system.
    // Create replaces a file only by deleting it first, so it can where deleting can.
    for (const Row& row : {Row{kRead, kRead, true, false, false},
                           Row{kRead, FileUse::Read | FileUse::Write, true, false, false},
                           Row{FileUse::Write, kAll, false, true, true},
                           Row{FileUse::Delete, kAll, false, true, true},
                           Row{kRead, FileUse::None, false, false, false}}) {
        SCOPED_TRACE(testing::Message() << "access " << static_cast<unsigned>(row.access) << ", sharing "
                                        << static_cast<unsigned>(row.sharing));
        const std::string path = "C:\\REGISTRY\\hlp.reg";
        files.WriteFile(path, "REGEDIT4");
        files.OpenInOtherProcess(path, row.access, row.sharing);
        EXPECT_EQ(files.ReadAll(path).has_value(), row.readable);
        EXPECT_EQ(files.HoldForReading(path) != nullptr, row.readable);
        if (auto written = files.Create(path)) {
            EXPECT_TRUE(row.creatable);
            EXPECT_TRUE(written->Close());
        } else {
            EXPECT_FALSE(row.creatable);
        }
        EXPECT_EQ(files.Delete(path), row.deletable);
        EXPECT_EQ(files.Exists(path), !row.deletable);
        files.CloseInOtherProcess(path);
        (void)files.Delete(path);
    }
}

TEST_F(SimFileSystemTest, AHeldFileCanBeReadByOthersButNotWrittenReplacedOrDeleted)
{
    const std::string path = "C:\\REGISTRY\\sicherung.reg";
    files.WriteFile(path, "REGEDIT4");
    auto held = files.HoldForReading(path);
    ASSERT_NE(held, nullptr);
    EXPECT_TRUE(files.IsHeld(path));

    EXPECT_EQ(files.Create(path), nullptr);
    EXPECT_FALSE(files.Delete(path));
    EXPECT_THROW(files.WriteFile(path, "untergeschoben"), std::invalid_argument);
    EXPECT_EQ(files.ReadAll(path), "REGEDIT4");
    // The registry editor's import reads through the C runtime, which shares reading and writing.
    EXPECT_NO_THROW(files.OpenInOtherProcess(path, FileUse::Read, FileUse::Read | FileUse::Write));
    files.CloseInOtherProcess(path);

    held.reset();
    EXPECT_FALSE(files.IsHeld(path));
    EXPECT_TRUE(files.Delete(path));

    auto writing = Open(path, {"halb"});
    EXPECT_EQ(files.HoldForReading(path), nullptr);
}

TEST_F(SimFileSystemTest, ReadAllAndHoldForReadingTakeOnlyAPlainFileWithOneName)
{
    files.WriteFile("C:\\Users\\Gast\\eigen.reg", "fremd");
    files.AddLink("C:\\REGISTRY\\hlp.reg", "C:\\Users\\Gast\\eigen.reg");
    files.WriteFile("C:\\REGISTRY\\zweifach.reg", "REGEDIT4");
    files.AddHardLink("C:\\REGISTRY\\zweifach.reg", "C:\\Users\\Gast\\zweiter Name.reg");

    for (const char* path : {"C:\\REGISTRY\\hlp.reg", "C:\\REGISTRY\\zweifach.reg", "C:\\Users\\Gast\\zweiter Name.reg",
                             "C:\\REGISTRY", "C:\\REGISTRY\\fehlt.reg"}) {
        EXPECT_EQ(files.ReadAll(path), std::nullopt) << path;
        EXPECT_EQ(files.HoldForReading(path), nullptr) << path;
    }
    EXPECT_EQ(files.Contents("C:\\REGISTRY\\hlp.reg"), "fremd"); // what everything else sees through the link

    // Once the second name is gone the file has one name again.
    EXPECT_TRUE(files.Delete("C:\\Users\\Gast\\zweiter Name.reg"));
    EXPECT_EQ(files.ReadAll("C:\\REGISTRY\\zweifach.reg"), "REGEDIT4");
    EXPECT_NE(files.HoldForReading("C:\\REGISTRY\\zweifach.reg"), nullptr);
}

TEST_F(SimFileSystemTest, ALinkLeadsEverythingButItsDeletionToItsTarget)
{
    files.AddDirectory("C:\\Users\\Gast\\Ziel", std::nullopt);
    files.AddLink("C:\\REGISTRY\\Verbunden", "C:\\Users\\Gast\\Ziel");
    files.WriteFile("C:\\Windows\\wichtig.ini", "[System]");
    files.AddLink("C:\\REGISTRY\\hlp.reg", "C:\\Windows\\wichtig.ini");

    EXPECT_TRUE(files.IsDirectory("C:\\REGISTRY\\Verbunden"));
    auto through = Open("C:\\REGISTRY\\Verbunden\\HIVETIDY.BAK", {"Protokoll"});
    EXPECT_EQ(files.Contents("C:\\Users\\Gast\\Ziel\\HIVETIDY.BAK"), "Protokoll");
    // A file created in a link's place replaces the link and leaves its target alone.
    auto replaced = Open("C:\\REGISTRY\\hlp.reg", {"REGEDIT4"});
    ASSERT_TRUE(replaced->Close());
    EXPECT_EQ(files.Contents("C:\\REGISTRY\\hlp.reg"), "REGEDIT4");
    EXPECT_EQ(files.Contents("C:\\Windows\\wichtig.ini"), "[System]");

    // Deleting a link removes the link; a link to a folder is a folder and no file.
    files.AddLink("C:\\REGISTRY\\hlp2.reg", "C:\\Windows\\wichtig.ini");
    EXPECT_TRUE(files.Delete("C:\\REGISTRY\\hlp2.reg"));
    EXPECT_FALSE(files.Exists("C:\\REGISTRY\\hlp2.reg"));
    EXPECT_EQ(files.Contents("C:\\Windows\\wichtig.ini"), "[System]");
    EXPECT_FALSE(files.Delete("C:\\REGISTRY\\Verbunden"));
}

TEST_F(SimFileSystemTest, IsRealFolderOnlyForAFolderReachedWithoutLinks)
{
    files.AddDirectory("C:\\Users\\Gast\\Ziel\\Unter", std::nullopt);
    files.AddLink("C:\\REGISTRY\\Verbunden", "C:\\Users\\Gast\\Ziel");
    files.AddLink("C:\\Verbunden", "C:\\REGISTRY");
    files.WriteFile("C:\\REGISTRY\\datei.txt", "");
    ASSERT_TRUE(files.SetCurrentDirectory("C:\\REGISTRY"));

    const struct {
        const char* path;
        bool real;
    } rows[] = {
        {"C:\\REGISTRY", true},
        {"c:\\registry\\", true},
        {"C:\\", true},
        {"C:\\PROGRA~1", true},
        {"C:\\Users\\Gast\\Ziel\\Unter", true},
        {"..\\REGISTRY", true},
        {"C:\\REGISTRY\\Verbunden", false},
        {"C:\\REGISTRY\\Verbunden\\Unter", false}, // below a link
        {"Verbunden\\Unter", false},
        {"C:\\Verbunden\\Verbunden", false},
        {"C:\\REGISTRY\\datei.txt", false},
        {"C:\\REGISTRY\\Fehlt", false},
        {"Q:\\", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(files.IsRealFolder(row.path), row.real) << row.path;
    }
}

TEST_F(SimFileSystemTest, CreateProtectedDirectoryMakesANewFolderWhoseProtectionPassesToWhatIsMadeInIt)
{
    EXPECT_TRUE(files.CreateProtectedDirectory("C:\\Sicher"));
    EXPECT_TRUE(files.IsProtected("c:\\sicher"));
    EXPECT_FALSE(files.CreateProtectedDirectory("C:\\SICHER"));
    EXPECT_FALSE(files.CreateProtectedDirectory("C:\\REGISTRY")); // made before, by anyone
    EXPECT_FALSE(files.IsProtected("C:\\REGISTRY"));

    auto log = Open("C:\\Sicher\\HIVETIDY.BAK");
    EXPECT_TRUE(files.CreateDirectory("C:\\Sicher\\Unter"));
    EXPECT_TRUE(files.IsProtected("C:\\Sicher\\HIVETIDY.BAK"));
    EXPECT_TRUE(files.IsProtected("C:\\Sicher\\Unter"));
    EXPECT_TRUE(files.CreateDirectory("C:\\Offen"));
    EXPECT_FALSE(files.IsProtected("C:\\Offen"));

    files.FailDirectoryCreation("C:\\Gesperrt");
    EXPECT_FALSE(files.CreateProtectedDirectory("C:\\Gesperrt"));
}

TEST_F(SimFileSystemTest, WriteFileMakesAFileAsIfItHadLongBeenOnTheDisk)
{
    files.WriteFile("D:\\Sicherung\\alt.reg", "REGEDIT4\r\n");
    EXPECT_TRUE(files.IsDirectory("D:\\"));
    EXPECT_TRUE(files.IsDirectory("d:\\sicherung"));
    EXPECT_EQ(files.DurableContents("D:\\Sicherung\\alt.reg"), "REGEDIT4\r\n");
    EXPECT_EQ(files.ListFiles(), std::vector<std::string>{"D:\\Sicherung\\alt.reg"});
    EXPECT_TRUE(files.SetCurrentDirectory("d:\\"));
    EXPECT_EQ(files.CurrentDirectory(), "d:\\");
    EXPECT_EQ(files.ReadAll("Sicherung\\alt.reg"), "REGEDIT4\r\n");
}

} // namespace
} // namespace hivetidy::sim
