// The users who are not logged on: their hives loaded for a run, the keys of theirs that a run
// removes, Undo that puts them back into their hives, and no ending that leaves a hive loaded.
#include "support/ProgramFixture.h"

#include "app/CommandLineRun.h"
#include "app/ExitCode.h"
#include "platform/sim/SimConsole.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

namespace hivetidy::testing {
namespace {

constexpr char kSid[] = "S-1-5-21-7-7-7-1002";
constexpr char kUser[] = "HKEY_USERS\\S-1-5-21-7-7-7-1002";
constexpr char kClasses[] = "HKEY_USERS\\S-1-5-21-7-7-7-1002_Classes";
constexpr char kUserHive[] = "C:\\Users\\techniker2\\NTUSER.DAT";
constexpr char kClassesHive[] = "C:\\Users\\techniker2\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";
constexpr char kUserKeys[] = "[HIVE\\Software\\ORVA Roboter GmbH]\r\n\"Sprache\"=\"Deutsch\"\r\n\r\n"
                             "[HIVE\\Software\\Anderes]\r\n";
// A controller class with its ProgID, another maker's class, and the maker's key in both places
// of the virtual store.
constexpr char kClassesKeys[] =
    "[HIVE\\CLSID\\{C7000000-0000-0000-0000-000000000001}]\r\n@=\"Achse\"\r\n\r\n"
    "[HIVE\\CLSID\\{C7000000-0000-0000-0000-000000000001}\\InprocServer32]\r\n"
    "@=\"C:\\\\Programme\\\\OMX\\\\BIN\\\\achse.dll\"\r\n\r\n"
    "[HIVE\\CLSID\\{C7000000-0000-0000-0000-000000000001}\\ProgID]\r\n@=\"Omx.Nutzer.1\"\r\n\r\n"
    "[HIVE\\CLSID\\{D8000000-0000-0000-0000-000000000002}\\InprocServer32]\r\n"
    "@=\"C:\\\\Windows\\\\fremd.dll\"\r\n\r\n"
    "[HIVE\\Omx.Nutzer.1\\CLSID]\r\n@=\"{C7000000-0000-0000-0000-000000000001}\"\r\n\r\n"
    "[HIVE\\VirtualStore\\MACHINE\\SOFTWARE\\ORVA Roboter GmbH]\r\n\"Pfad\"=\"C:\\\\Programme\\\\OMX\"\r\n\r\n"
    "[HIVE\\VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node\\ORVA Roboter GmbH\\Achsen]\r\n";

class UserHivesRun : public ProgramFixture {
protected:
    UserHivesRun()
    {
        Files().AddDirectory("C:\\Programme\\OMX\\BIN", std::nullopt);
        Files().AddDirectory("C:\\Service", std::nullopt);
        sim.AddProfile(kSid, "%SystemDrive%\\Users\\techniker2", sim::ProfilePathType::Expandable, kUserKeys,
                       kClassesKeys);
    }

    std::string HiveFile(const char* path) { return sim.ReadHiveFile(path).value_or("<no hive>"); }

    int RunLine(CommandAction action, std::string path = "C:\\Service\\PC-07.reg")
    {
        CommandLine line;
        line.action = action;
        line.maker = true;
        (action == CommandAction::Undo ? line.undoPath : line.backupPath) = std::move(path);
        return RunFromCommandLine(platform, console, line);
    }

    sim::SimConsole console;
};

// Catches a start-up look that leaves the users who are not logged on out (the box stays hidden),
// a run without the classes hive's pass or with only one spelling of the virtual store, a run that
// leaves the hives loaded, and an Undo that imports into hives it did not load (the keys would be
// gone from the files for good).
TEST_F(UserHivesRun, ALoggedOffUsersKeysAreRemovedFromHisHivesAndComeBackWithUndo)
{
    Load();
    EXPECT_TRUE(Window().State(Control::Check1).visible);
    EXPECT_TRUE(sim.hives().LoadedNames().empty()) << "the start-up look unloads what it loaded";

    Window().SetCheckValue(Control::Check1, 1);
    sim.dialogs().QueueSave(std::string(kBackupPath));
    EXPECT_FALSE(Press(Control::Command1));
    EXPECT_EQ(LoggedKeys(), (std::vector<std::string>{
                                std::string("[") + kClasses + "\\Omx.Nutzer.1]",
                                std::string("[") + kClasses + "\\CLSID\\{C7000000-0000-0000-0000-000000000001}]",
                                std::string("[") + kUser + "\\Software\\ORVA Roboter GmbH]",
                                std::string("[") + kClasses + "\\VirtualStore\\MACHINE\\SOFTWARE\\ORVA Roboter GmbH]",
                                std::string("[") + kClasses +
                                    "\\VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node\\ORVA Roboter GmbH]",
                            }));
    EXPECT_TRUE(sim.hives().LoadedNames().empty());
    EXPECT_FALSE(Files().Exists(std::string(kHiveRecordPath)));
    // Windows keeps what changed in a hive: the files no longer hold the keys, the rest stays.
    EXPECT_THAT(HiveFile(kUserHive), ::testing::Not(::testing::HasSubstr("ORVA")));
    EXPECT_THAT(HiveFile(kUserHive), ::testing::HasSubstr("[HIVE\\Software\\Anderes]"));
    EXPECT_THAT(HiveFile(kClassesHive), ::testing::Not(::testing::HasSubstr("C7000000")));
    EXPECT_THAT(HiveFile(kClassesHive), ::testing::Not(::testing::HasSubstr("ORVA")));
    EXPECT_THAT(HiveFile(kClassesHive), ::testing::HasSubstr("D8000000"));

    EXPECT_TRUE(Press(Control::Command3));
    EXPECT_TRUE(sim.hives().LoadedNames().empty());
    EXPECT_THAT(HiveFile(kUserHive), ::testing::HasSubstr("[HIVE\\Software\\ORVA Roboter GmbH]"));
    EXPECT_THAT(HiveFile(kClassesHive), ::testing::HasSubstr("[HIVE\\Omx.Nutzer.1\\CLSID]"));
    EXPECT_THAT(HiveFile(kClassesHive),
                ::testing::HasSubstr("[HIVE\\VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node\\ORVA Roboter GmbH\\Achsen]"));
}

struct ProfileTrouble {
    const char* name;
    void (*make)(sim::SimPlatform& sim);
    const char* told;
};

// Each row catches a profile that could not be loaded taken for a failed run (code 2, nothing
// cleaned), passed over in silence (code 0), or told with the wrong reason.
class UnloadableProfile : public UserHivesRun, public ::testing::WithParamInterface<ProfileTrouble> {};

TEST_P(UnloadableProfile, IsToldAndTheRestIsCleaned)
{
    constexpr char kOther[] = "S-1-5-21-7-7-7-1003";
    sim.AddProfile(kOther, "C:\\Users\\bediener", sim::ProfilePathType::Plain,
                   "[HIVE\\Software\\ORVA Roboter GmbH]\r\n");
    GetParam().make(sim);

    EXPECT_EQ(RunLine(CommandAction::Auto), ToInt(ExitCode::Partial));
    EXPECT_THAT(console.Lines(), ::testing::Contains(std::string("Nicht lesbar: HKEY_USERS\\S-1-5-21-7-7-7-1003 (Profil ") +
                                                     GetParam().told + ")"));
    EXPECT_THAT(HiveFile(kUserHive), ::testing::Not(::testing::HasSubstr("ORVA")));
    EXPECT_TRUE(sim.hives().LoadedNames().empty());
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, UnloadableProfile,
    ::testing::Values(
        ProfileTrouble{"InUse",
                       [](sim::SimPlatform& sim) {
                           sim.files().OpenInOtherProcess("C:\\Users\\bediener\\NTUSER.DAT", sim::FileUse::Read,
                                                          sim::FileUse::None);
                       },
                       "C:\\Users\\bediener: in Benutzung"},
        ProfileTrouble{"Missing",
                       [](sim::SimPlatform& sim) { (void)sim.files().Delete("C:\\Users\\bediener\\NTUSER.DAT"); },
                       "C:\\Users\\bediener: Datei fehlt"},
        ProfileTrouble{"NotAHive",
                       [](sim::SimPlatform& sim) { sim.files().WriteFile("C:\\Users\\bediener\\NTUSER.DAT", "regf\x01"); },
                       "C:\\Users\\bediener: keine Registrierungsdatei"},
        ProfileTrouble{"LeadsNowhere",
                       [](sim::SimPlatform& sim) {
                           sim.registry().SetString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\"
                                                    "ProfileList\\S-1-5-21-7-7-7-1003",
                                                    "ProfileImagePath", "D:\\Weg\\bediener");
                       },
                       "D:\\Weg\\bediener: Datei fehlt"}),
    [](const auto& info) { return std::string(info.param.name); });

// Catches an unload tried once and given up (the user would get a temporary profile), and one that
// fails for good but is not told, kept in the record, or unloaded by the next start.
TEST_F(UserHivesRun, AHiveIsUnloadedAgainAndAgainAndOneThatStaysIsToldAndUnloadedAtTheNextStart)
{
    sim.hives().FailNextUnloads(3);
    EXPECT_EQ(RunLine(CommandAction::Auto), ToInt(ExitCode::Done));
    EXPECT_TRUE(sim.hives().LoadedNames().empty());
    EXPECT_EQ(sim.hives().PauseCount(), 3);

    sim.AddProfile("S-1-5-21-7-7-7-1003", "C:\\Users\\bediener", sim::ProfilePathType::Plain,
                   "[HIVE\\Software\\ORVA Roboter GmbH]\r\n");
    sim.hives().FailNextUnloads(1000);
    EXPECT_EQ(RunLine(CommandAction::Auto, "C:\\Service\\PC-08.reg"), ToInt(ExitCode::Partial));
    EXPECT_THAT(console.Lines(), ::testing::Contains("Nicht entladen: HKEY_USERS\\S-1-5-21-7-7-7-1003"));
    EXPECT_THAT(sim.hives().LoadedNames(), ::testing::Contains("S-1-5-21-7-7-7-1003"));
    EXPECT_THAT(*Files().Contents(std::string(kHiveRecordPath)), ::testing::HasSubstr("S-1-5-21-7-7-7-1003\r\n"));

    // The next start, here the window's: the record's hives unloaded, and the user told.
    sim.hives().FailNextUnloads(0);
    sim.dialogs().QueueMessageBoxAnswer(kIdOk);
    Load();
    ASSERT_FALSE(sim.dialogs().MessageBoxesShown().empty());
    EXPECT_THAT(sim.dialogs().MessageBoxesShown().back().text, ::testing::HasSubstr("HKEY_USERS\\S-1-5-21-7-7-7-1003"));

    EXPECT_TRUE(sim.hives().LoadedNames().empty());
    EXPECT_FALSE(Files().Exists(std::string(kHiveRecordPath)));
}

// Catches a program that writes the record for hives of its own and drops from it a hive that a
// killed run left and that could not be unloaded since: nobody would unload that one ever after.
TEST_F(UserHivesRun, AHiveAKilledRunLeftStaysInTheRecordUntilItIsUnloaded)
{
    sim.AddProfile("S-1-5-21-7-7-7-1003", "C:\\Users\\bediener", sim::ProfilePathType::Plain, "");
    ASSERT_EQ(sim.hives().Load("S-1-5-21-7-7-7-1003", "C:\\Users\\bediener\\NTUSER.DAT"), HiveLoad::Loaded);
    ASSERT_TRUE(sim.hives().WriteRecord("Hivetidy: geladene Benutzerprofile\r\nS-1-5-21-7-7-7-1003\r\n"));
    sim.hives().FailNextUnloads(5); // every try of the next start's sweep

    // The preview's own hives (the other user's) come and go; the left one stays recorded.
    EXPECT_EQ(RunLine(CommandAction::List), ToInt(ExitCode::Done));
    EXPECT_EQ(sim.hives().LoadedNames(), std::vector<std::string>{"S-1-5-21-7-7-7-1003"});
    EXPECT_EQ(*Files().Contents(std::string(kHiveRecordPath)), "Hivetidy: geladene Benutzerprofile\r\nS-1-5-21-7-7-7-1003\r\n");

    sim.dialogs().QueueMessageBoxAnswer(kIdOk);
    Load();
    EXPECT_TRUE(sim.hives().LoadedNames().empty());
    ASSERT_FALSE(sim.dialogs().MessageBoxesShown().empty());
    EXPECT_THAT(sim.dialogs().MessageBoxesShown().back().text, ::testing::HasSubstr("HKEY_USERS\\S-1-5-21-7-7-7-1003"));
}

// Catches a run that ends without unloading: Cancel in the middle of the class pass ends the
// program at once, and the hives go with it.
TEST_F(UserHivesRun, CancelInTheMiddleOfTheRunUnloadsTheHives)
{
    Window().SetYieldHook([&](int) {
        if (!sim.hives().LoadedNames().empty()) {
            Window().PostClick(Control::Command2);
        }
    });
    EXPECT_TRUE(Run());
    EXPECT_TRUE(sim.hives().LoadedNames().empty());
    EXPECT_FALSE(Files().Exists(std::string(kHiveRecordPath)));
}

// Catches a link in a loaded hive that is followed: the key behind it, outside the user's hive,
// would be exported and deleted as if it were his. Here his class names a ProgID whose key he made
// a link to a key of the machine that says it is that class's.
TEST_F(UserHivesRun, ALinkInALoadedHiveIsNeverFollowedOutOfIt)
{
    Registry().SetString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug\\CLSID", "", "{C7000000-0000-0000-0000-000000000001}");
    AddClass("{F0000000-0000-0000-0000-000000000004}", "C:\\Windows\\fremd.dll"); // the class pass yields on it
    const std::string progId = std::string(kClasses) + "\\Omx.Nutzer.1";
    bool linked = false;
    Window().SetYieldHook([&](int) {
        if (!linked && Registry().KeyExists(progId)) {
            ASSERT_TRUE(Registry().DeleteKey(progId));
            Registry().AddLink(progId, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug");
            linked = true;
        }
    });
    sim.dialogs().QueueMessageBoxAnswer(kIdOk); // the run's closing message: a key stayed
    EXPECT_FALSE(Run());
    ASSERT_TRUE(linked);
    EXPECT_TRUE(Registry().KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Werkzeug\\CLSID"));
    EXPECT_THAT(LoggedKeys(), ::testing::Contains("Verweis aus dem Benutzerprofil hinaus: " + progId));
}

// Catches an ending that leaves the hives loaded: a run that cannot go on before it deletes (2),
// one that fails after it deleted (3), and an exception no idiom of the program expects.
TEST_F(UserHivesRun, EveryFailingEndingUnloadsTheHives)
{
    sim.processes().SetStartHook([&](const std::string& commandLine) {
        if (commandLine.find("S-1-5-21-7-7-7-1002") != std::string::npos) {
            throw std::length_error("kaputt"); // while the user's hives are loaded
        }
    });
    EXPECT_NE(RunLine(CommandAction::Auto), ToInt(ExitCode::Done));
    EXPECT_TRUE(sim.hives().LoadedNames().empty());
    EXPECT_FALSE(Files().Exists(std::string(kHiveRecordPath)));

    sim.processes().SetStartHook({});
    Registry().FailEnumeration("HKEY_CLASSES_ROOT\\CLSID");
    EXPECT_EQ(RunLine(CommandAction::Auto, "C:\\Service\\PC-08.reg"), ToInt(ExitCode::FailedBeforeDeletion));
    EXPECT_TRUE(sim.hives().LoadedNames().empty());
}

} // namespace
} // namespace hivetidy::testing
