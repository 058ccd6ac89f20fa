// The window as it comes up, and the two ways out of it before a run.

#include "ControllerInstallation.h"
#include "Files.h"
#include "HivetidyTest.h"
#include "Polling.h"
#include "Registry.h"
#include "Text.h"

#include <cmath>

namespace hivedrive {
namespace {

class StartupWindow : public HivetidyTest {};

bool MakerKeyExistsAnywhere()
{
    bool found = KeyExists(kMakerKeyCurrentUser) || KeyExists(kMakerKeyMachine);
    for (const std::wstring& hive : SubkeyNames(L"HKEY_USERS")) {
        found = found || KeyExists(L"HKEY_USERS\\" + hive + L"\\Software\\ORVA Roboter GmbH");
    }
    return found;
}

TEST_F(StartupWindow, ShowsStartAsTheDefaultButtonCancelAndADisabledUndo)
{
    ASSERT_FALSE(MakerKeyExistsAnywhere());
    Hivetidy program = Hivetidy::Start();
    Form1Window& window = program.Window();

    EXPECT_EQ(window.Caption(Control::Command1), L"&Start");
    EXPECT_TRUE(window.IsEnabled(Control::Command1));
    EXPECT_EQ(window.DefaultButtonId(), hivetidy::LayoutOf(Control::Command1).id);
    EXPECT_TRUE(window.HasDefaultButtonStyle(Control::Command1));

    EXPECT_EQ(window.Caption(Control::Command2), L"&Cancel");
    EXPECT_TRUE(window.IsEnabled(Control::Command2));

    EXPECT_EQ(window.Caption(Control::Command3), L"&Undo");
    EXPECT_FALSE(window.IsEnabled(Control::Command3));
}

TEST_F(StartupWindow, ShowsThePurposeTextAndHidesTheElapsedTimeAndTheCheckBox)
{
    ASSERT_FALSE(MakerKeyExistsAnywhere());
    Hivetidy program = Hivetidy::Start();
    Form1Window& window = program.Window();

    EXPECT_TRUE(window.IsVisible(Control::Label2));
    EXPECT_EQ(window.Caption(Control::Label2),
              L"Programm zur S\u00e4uberung der Registry von ung\u00fcltigen Servereintr\u00e4gen !");
    EXPECT_FALSE(window.IsVisible(Control::Label1));
    EXPECT_FALSE(window.IsVisible(Control::Check1));
    EXPECT_EQ(window.IsChecked(Control::Check1), false);
}

TEST_F(StartupWindow, IsCentredOnTheScreen)
{
    Hivetidy program = Hivetidy::Start();
    const RECT bounds = program.Window().Bounds();
    const double width = bounds.right - bounds.left;
    const double height = bounds.bottom - bounds.top;
    // The program centres in twips; one pixel of rounding either way is the same place.
    EXPECT_NEAR(bounds.left, (::GetSystemMetrics(SM_CXSCREEN) - width) / 2, 1.0);
    EXPECT_NEAR(bounds.top, (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, 1.0);
}

TEST_F(StartupWindow, CancelEndsTheProgramAtOnceWithoutTouchingAnything)
{
    Hivetidy program = Hivetidy::Start();
    program.Window().Click(Control::Command2);
    EXPECT_TRUE(program.WaitForEnd(kEndTimeout));
    EXPECT_FALSE(FileExists(kRemovalLogPath));
}

TEST_F(StartupWindow, TheCloseBoxEndsTheProgram)
{
    Hivetidy program = Hivetidy::Start();
    program.Window().Close();
    EXPECT_TRUE(program.WaitForEnd(kEndTimeout));
}

// The check box is offered when the maker's key is found below any one of the three places.
class MakerKeyProbe : public HivetidyTest, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(MakerKeyProbe, OffersTheCheckBoxWhenTheKeyExistsOnlyThere)
{
    // Below HKEY_USERS Wine keeps the default profile apart from the current user's hive, so a
    // key there is seen only through the walk of the user hives.
    const std::vector<std::wstring> hives = SubkeyNames(L"HKEY_USERS");
    ASSERT_TRUE(std::any_of(hives.begin(), hives.end(), [](const std::wstring& h) { return EqualsIgnoreCase(h, L".DEFAULT"); }));
    ASSERT_FALSE(EqualsIgnoreCase(CurrentUserHiveName(), L".DEFAULT"));
    ASSERT_FALSE(MakerKeyExistsAnywhere());

    const std::wstring place = GetParam();
    m_seeds.OwnKey(place);
    SetText(place + L"\\OMX\\Settings", L"Language", L"deu");
    for (const wchar_t* other : {kMakerKeyCurrentUser, kMakerKeyMachine, kMakerKeyDefaultUser}) {
        ASSERT_EQ(KeyExists(other), other == place) << ToUtf8(other);
    }

    Hivetidy program = Hivetidy::Start();
    Form1Window& window = program.Window();
    EXPECT_TRUE(window.IsVisible(Control::Check1));
    EXPECT_TRUE(window.IsEnabled(Control::Check1));
    EXPECT_EQ(window.Caption(Control::Check1), L"Knoten  \"ORVA Roboter GmbH\"  l\u00f6schen ?");
    EXPECT_EQ(window.IsChecked(Control::Check1), false);
}

std::string PlaceName(const ::testing::TestParamInfo<const wchar_t*>& info)
{
    const std::wstring_view place = info.param;
    if (place == kMakerKeyDefaultUser) {
        return "BelowTheDefaultUserHive";
    }
    return place == kMakerKeyCurrentUser ? "BelowTheCurrentUser" : "BelowTheMachine";
}

INSTANTIATE_TEST_SUITE_P(EachPlace, MakerKeyProbe,
                         ::testing::Values(kMakerKeyDefaultUser, kMakerKeyCurrentUser, kMakerKeyMachine), PlaceName);

} // namespace
} // namespace hivedrive
