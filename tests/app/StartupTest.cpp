#include "support/ProgramFixture.h"

#include "shared/Failure.h"

namespace hivetidy::testing {
namespace {

constexpr std::string_view kMakerMachine = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVA Roboter GmbH";

class Startup : public ProgramFixture {};

TEST_F(Startup, PutsTheWindowIntoItsReadyState)
{
    Load();
    const auto& w = Window();
    EXPECT_TRUE(w.State(Control::Command1).enabled);
    EXPECT_TRUE(w.State(Control::Command1).isDefault);
    EXPECT_TRUE(w.State(Control::Command2).enabled);
    EXPECT_EQ(w.State(Control::Command2).caption, "&Cancel");
    EXPECT_FALSE(w.State(Control::Command3).enabled);
    EXPECT_FALSE(w.State(Control::Label1).visible);
    EXPECT_TRUE(w.State(Control::Label2).visible);
    EXPECT_EQ(w.State(Control::Label2).caption,
              "Programm zur S\u00e4uberung der Registry von ung\u00fcltigen Servereintr\u00e4gen !");
    EXPECT_TRUE(w.State(Control::Check1).enabled);
    EXPECT_FALSE(w.State(Control::Check1).visible);
    EXPECT_EQ(w.State(Control::Check1).checkValue, 0);
    EXPECT_FALSE(w.TimerEnabled());
    EXPECT_EQ(form.ElapsedTicks(), 0);
}

TEST_F(Startup, CentresTheWindowOnTheScreenInTwips)
{
    Window().SetScreenSize({19200, 14400});
    Window().SetWindowSize({4711, 3915});
    Load();
    const auto moved = Window().MovedTo();
    ASSERT_TRUE(moved.has_value());
    EXPECT_DOUBLE_EQ(moved->first, (19200 - 4711) / 2.0); // not rounded
    EXPECT_DOUBLE_EQ(moved->second, (14400 - 3915) / 2.0);
}

TEST_F(Startup, OffersTheCheckBoxWhereverTheMakerKeyIs)
{
    // On 64-bit Windows the 32-bit controller keeps the machine's key in the 32-bit view.
    for (const std::string& key : {std::string(kMakerUser), std::string(kMakerMachine),
                                   std::string("HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\ORVA Roboter GmbH"),
                                   std::string("HKEY_USERS\\S-1-5-21-1000\\Software\\ORVA Roboter GmbH")}) {
        sim::SimPlatform sim;
        Platform platform = sim.Get();
        sim.registry().CreateKey("HKEY_USERS\\.DEFAULT\\Software");
        sim.registry().CreateKey("HKEY_USERS\\S-1-5-21-1000\\Software");
        sim.registry().CreateKey(key);
        Form1 form(platform);
        form.Form_Load();
        EXPECT_TRUE(form.MakerKeyFound()) << key;
        EXPECT_TRUE(sim.window().State(Control::Check1).visible) << key;
    }
}

TEST_F(Startup, ListsEveryUserHiveInEnumerationOrder)
{
    Registry().CreateKey("HKEY_USERS\\S-1-5-21-2");
    Registry().CreateKey("HKEY_USERS\\.DEFAULT");
    Registry().CreateKey("HKEY_USERS\\S-1-5-21-1");
    Load();
    const auto& hives = form.Run().State().UserHiveNames;
    ASSERT_EQ(hives.UpperBound(), 3);
    EXPECT_EQ(hives[0], "");
    EXPECT_EQ(hives[1], ".DEFAULT");
    EXPECT_EQ(hives[2], "S-1-5-21-1");
    EXPECT_EQ(hives[3], "S-1-5-21-2");
    EXPECT_FALSE(form.MakerKeyFound());
}

TEST_F(Startup, WithoutUserHivesProbesOnlyTheCurrentUserAndTheMachine)
{
    Load();
    EXPECT_EQ(form.Run().State().UserHiveNames.UpperBound(), 0);
    EXPECT_FALSE(Window().State(Control::Check1).visible);
}

TEST_F(Startup, JudgesEachProbeByItsOwnOpenAlone)
{
    // The current user's key cannot be opened; the user hive's probe finds the key all the same.
    Registry().CreateKey(std::string(kMakerUser));
    Registry().DenyOpen(std::string(kMakerUser));
    Registry().CreateKey("HKEY_USERS\\S-1-5-21-7\\Software\\ORVA Roboter GmbH");
    Load();
    EXPECT_TRUE(form.MakerKeyFound());
}

TEST_F(Startup, ShowsTheWindowEvenWithoutAnyRegistryComponent)
{
    struct NoComponents final : RegistryComponentFactory {
        std::unique_ptr<RegistryComponent> Create() override { throw Failure("no component"); }
        std::vector<RegView> Views() override { throw Failure("no component"); }
    } none;
    Registry().CreateKey(std::string(kMakerUser));
    Platform withoutComponents{none, sim.files(), sim.processes(), sim.dialogs(), sim.window(), sim.system(), sim.hives()};
    Form1 lonely(withoutComponents);
    lonely.Form_Load();
    EXPECT_FALSE(lonely.MakerKeyFound());
    EXPECT_FALSE(sim.window().State(Control::Check1).visible);
    EXPECT_EQ(lonely.Run().State().UserHiveNames.UpperBound(), 0);
    EXPECT_TRUE(sim.window().State(Control::Command1).enabled);
}

TEST_F(Startup, TickingTheCheckBoxLeavesTheFocusOnStart)
{
    Registry().CreateKey(std::string(kMakerMachine));
    Load();
    Press(Control::Check1);
    EXPECT_EQ(Window().State(Control::Check1).checkValue, 1);
    EXPECT_EQ(Window().Focused(), Control::Command1);
}

TEST_F(Startup, CancelAndTheCloseBoxEndTheProgram)
{
    Load();
    EXPECT_TRUE(Press(Control::Command2));
    EXPECT_TRUE(sim.system().Ended());

    sim::SimPlatform other;
    Platform otherPlatform = other.Get();
    Form1 otherForm(otherPlatform);
    otherForm.Form_Load();
    EXPECT_THROW(otherForm.CloseBox(), sim::ProgramEnded);
    EXPECT_TRUE(other.system().Ended());
}

TEST_F(Startup, TimerCountsOneSecondATickInTheUsersTimeFormat)
{
    Load();
    const auto tickTo = [&](int ticks) {
        while (form.ElapsedTicks() < ticks) {
            form.Timer1_Timer();
        }
        return Window().State(Control::Label1).caption;
    };
    EXPECT_EQ(Window().State(Control::Label1).caption, "");
    EXPECT_EQ(tickTo(1), "00:00:01");
    EXPECT_EQ(tickTo(59), "00:00:59");
    EXPECT_EQ(tickTo(60), "00:01:00");
    EXPECT_EQ(tickTo(65), "00:01:05");
    // Past a 16-bit seconds count the time goes on counting, and past a day it starts again.
    EXPECT_EQ(tickTo(32768), "09:06:08");
    EXPECT_EQ(tickTo(86400 + 61), "00:01:01");
}

} // namespace
} // namespace hivetidy::testing
