#include "platform/sim/SimPlatform.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hivetidy::sim {
namespace {

constexpr char kAnna[] = "S-1-5-21-1004336348-1177238915-682003330-1001";
constexpr char kAnnaProfile[] = "C:\\Users\\anna";
constexpr char kAnnaHive[] = "C:\\Users\\anna\\NTUSER.DAT";
constexpr char kAnnaKey[] = "HKEY_USERS\\S-1-5-21-1004336348-1177238915-682003330-1001";
constexpr char kRobotKeys[] = "[HIVE\\Software\\Robot]\r\n\"Pfad\"=\"C:\\\\Robot\"\r\n\r\n"
                              "[HIVE\\Software\\Robot\\Alt]\r\n";

// A machine with Anna's profile, her hive holding the robot's keys; she is not logged on.
std::unique_ptr<SimPlatform> MachineWithAnna()
{
    auto sim = std::make_unique<SimPlatform>();
    sim->AddProfile(kAnna, kAnnaProfile, ProfilePathType::Plain, kRobotKeys);
    return sim;
}

// Catches an Unload that removes the keys without writing them back (Windows keeps a user's
// changes), one that writes what was loaded rather than what is there now, and a Load that puts
// the keys anywhere but below HKEY_USERS\<name>, or under the file's root name rather than that.
TEST(SimHivesTest, AnUnloadedHiveKeepsWhatWasChangedWhileItWasLoaded)
{
    const auto sim = MachineWithAnna();
    Hives& hives = sim->hives();
    ASSERT_EQ(hives.Load(kAnna, kAnnaHive), HiveLoad::Loaded);
    EXPECT_TRUE(sim->registry().GetRaw(std::string(kAnnaKey) + "\\Software\\Robot", "Pfad"));
    EXPECT_EQ(hives.LoadedNames(), std::vector<std::string>{kAnna});
    // Held by the system while loaded, as Windows holds NTUSER.DAT.
    EXPECT_FALSE(sim->files().ReadAll(kAnnaHive));

    EXPECT_TRUE(sim->registry().DeleteKey(std::string(kAnnaKey) + "\\Software\\Robot\\Alt"));
    sim->registry().SetDword(std::string(kAnnaKey) + "\\Software\\Robot", "Neu", 1);
    EXPECT_TRUE(hives.Unload(kAnna));

    EXPECT_FALSE(sim->registry().KeyExists(kAnnaKey));
    EXPECT_TRUE(hives.LoadedNames().empty());
    EXPECT_EQ(sim->ReadHiveFile(kAnnaHive),
              HiveFileText("[HIVE]\r\n\r\n[HIVE\\Software]\r\n\r\n[HIVE\\Software\\Robot]\r\n\"Pfad\"=\"C:\\\\Robot\"\r\n"
                           "\"Neu\"=dword:00000001\r\n"));
    // Loaded again under another name, the keys are the same.
    ASSERT_EQ(hives.Load("Anna", kAnnaHive), HiveLoad::Loaded);
    EXPECT_TRUE(sim->registry().GetRaw("HKEY_USERS\\Anna\\Software\\Robot", "Neu"));
}

// Each row catches a Load that refuses too late: a file imported before it is checked whole
// leaves its first keys below HKEY_USERS; a name taken by a logged-on user is loaded over him; a
// file the system holds for him is loaded a second time.
TEST(SimHivesTest, ARefusedLoadLeavesNothingBelowTheUsers)
{
    constexpr char kOtto[] = "C:\\Users\\otto\\NTUSER.DAT";
    const std::string anyName = "S-1-5-21-7";
    struct Row {
        const char* what;
        std::function<void(SimPlatform&)> arrange;
        std::string name;
        std::string file;
        HiveLoad expected;
    };
    const std::vector<Row> rows = {
        {"no such file", [](SimPlatform&) {}, anyName, kOtto, HiveLoad::Missing},
        {"no such folder", [](SimPlatform&) {}, anyName, "C:\\Users\\fehlt\\x\\NTUSER.DAT", HiveLoad::Missing},
        {"a hive that breaks off after its first key",
         [&](SimPlatform& sim) {
             sim.files().WriteFile(kOtto, "Windows Registry Editor Version 5.00\r\n\r\n[HIVE\\Software]\r\n"
                                          "\"A\"=\"1\"\r\nkaputt\r\n");
         },
         anyName, kOtto, HiveLoad::NotAHive},
        {"a file of another kind", [&](SimPlatform& sim) { sim.files().WriteFile(kOtto, "regf\x01\x02"); }, anyName,
         kOtto, HiveLoad::NotAHive},
        {"a file another process reads",
         [](SimPlatform& sim) { sim.files().OpenInOtherProcess(kAnnaHive, FileUse::Read, FileUse::Read | FileUse::Write); },
         anyName, kAnnaHive, HiveLoad::InUse},
        {"the hive of a logged-on user, under another name", [](SimPlatform& sim) { sim.LogOn(kAnna); }, anyName,
         kAnnaHive, HiveLoad::InUse},
        {"the name of a logged-on user",
         [&](SimPlatform& sim) {
             sim.LogOn(kAnna);
             sim.WriteHiveFile(kOtto, "");
         },
         kAnna, kOtto, HiveLoad::Failed},
        {"no privileges", [](SimPlatform& sim) { sim.hives().DenyPrivileges(); }, anyName, kAnnaHive,
         HiveLoad::NotAllowed},
        {"a name of two keys", [](SimPlatform&) {}, anyName + "\\Software", kAnnaHive, HiveLoad::Failed},
        {"an empty name", [](SimPlatform&) {}, "", kAnnaHive, HiveLoad::Failed},
        {"a relative file", [](SimPlatform&) {}, anyName, "Users\\anna\\NTUSER.DAT", HiveLoad::Failed},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto sim = MachineWithAnna();
        row.arrange(*sim);
        const std::string before = sim->registry().Dump();
        EXPECT_EQ(sim->hives().Load(row.name, row.file), row.expected);
        EXPECT_EQ(sim->registry().Dump(), before);
    }
}

// Catches an Unload that counts a failed attempt as done, or that writes the file back or
// removes keys before it knows the attempt holds; and a retry that is never let through.
TEST(SimHivesTest, AFailingUnloadLeavesTheHiveLoadedUntilARetryHolds)
{
    const auto sim = MachineWithAnna();
    SimHives& hives = sim->hives();
    ASSERT_EQ(hives.Load(kAnna, kAnnaHive), HiveLoad::Loaded);
    sim->registry().SetDword(std::string(kAnnaKey) + "\\Software\\Robot", "Neu", 1);
    hives.FailNextUnloads(2);

    EXPECT_FALSE(hives.Unload(kAnna));
    hives.PauseBeforeRetry();
    EXPECT_FALSE(hives.Unload(kAnna));
    EXPECT_TRUE(sim->registry().GetRaw(std::string(kAnnaKey) + "\\Software\\Robot", "Neu"));
    EXPECT_FALSE(sim->files().ReadAll(kAnnaHive));
    EXPECT_EQ(sim->ReadHiveFile(kAnnaHive), HiveFileText(kRobotKeys));

    EXPECT_TRUE(hives.Unload(kAnna));
    EXPECT_FALSE(sim->registry().KeyExists(kAnnaKey));
    EXPECT_EQ(hives.PauseCount(), 1);
}

} // namespace
} // namespace hivetidy::sim
