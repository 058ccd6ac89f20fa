#include "platform/sim/SimPlatform.h"

#include <gtest/gtest.h>

namespace hivetidy::sim {
namespace {

TEST(SimPlatform, ANewMachineHasTheFoldersAndKeysWindowsAlwaysHas)
{
    SimPlatform sim;
    EXPECT_EQ(sim.files().CurrentDirectory(), "C:\\");
    EXPECT_EQ(sim.files().FindFirst("C:\\PROGRA~1"), "Program Files");
    EXPECT_TRUE(sim.files().IsDirectory("C:\\WINDOWS"));
    EXPECT_TRUE(sim.files().ListFiles().empty());
    EXPECT_TRUE(sim.registry().KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID"));
    EXPECT_TRUE(sim.registry().KeyExists("HKEY_CLASSES_ROOT\\TypeLib"));
    EXPECT_TRUE(sim.registry().KeyExists("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths"));
    EXPECT_TRUE(sim.registry().KeyExists("HKEY_CURRENT_USER\\Software"));
    EXPECT_FALSE(sim.registry().KeyExists("HKEY_CURRENT_USER\\Software\\ORVA Roboter GmbH"));
}

TEST(SimPlatform, ASixtyFourBitMachineIsTheDefaultAndHasTheThirtyTwoBitViewsOwnKeys)
{
    SimPlatform windows64;
    EXPECT_EQ(windows64.registry().Views(), (std::vector<RegView>{RegView::Native, RegView::Wow32}));
    const auto machine32 = windows64.registry().OpenHive(kHkeyLocalMachine, RegView::Wow32);
    const auto classes32 = windows64.registry().OpenHive(kHkeyClassesRoot, RegView::Wow32);
    ASSERT_TRUE(machine32 && classes32);
    EXPECT_TRUE(windows64.registry().KeyExists("HKLM\\SOFTWARE\\Classes\\WOW6432Node\\CLSID"));
    EXPECT_NE(classes32->Open("CLSID"), nullptr);
    EXPECT_NE(machine32->Open("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths"), nullptr);

    SimPlatform windows32(SimMachine::Windows32);
    EXPECT_EQ(windows32.registry().Views(), std::vector<RegView>{RegView::Native});
    EXPECT_FALSE(windows32.registry().KeyExists("HKLM\\SOFTWARE\\WOW6432Node"));
    EXPECT_FALSE(windows32.registry().KeyExists("HKLM\\SOFTWARE\\Classes\\WOW6432Node"));
    EXPECT_TRUE(windows32.registry().KeyExists("HKEY_CLASSES_ROOT\\CLSID"));
}

TEST(SimPlatform, ThePlatformWorksOnTheMachinesOwnParts)
{
    SimPlatform sim;
    Platform platform = sim.Get();
    sim.registry().CreateKey("HKLM\\SOFTWARE\\Da");
    auto component = platform.components.Create();
    component->OpenKey(kHkeyLocalMachine, TaggedValue::Text("SOFTWARE\\Da"));
    EXPECT_EQ(component->Name(), "Da");
    EXPECT_TRUE(platform.files.CreateDirectory("C:\\REGISTRY"));
    EXPECT_TRUE(sim.files().IsDirectory("C:\\REGISTRY"));
    auto editor = platform.processes.Start("regedit /e  c:\\registry\\hlp.reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Da\"");
    ASSERT_TRUE(editor);
    EXPECT_TRUE(sim.files().Exists("C:\\REGISTRY\\hlp.reg"));
    platform.window.SetEnabled(Control::Command3, false);
    EXPECT_FALSE(sim.window().State(Control::Command3).enabled);
    EXPECT_THROW(platform.system.Terminate(), ProgramEnded);
    EXPECT_TRUE(sim.system().Ended());
    EXPECT_THROW((void)platform.dialogs.ShowSave({}), ScriptExhausted);
}

} // namespace
} // namespace hivetidy::sim
