// The window as it comes up, and the two ways out of it before a run.

#include "ControllerInstallation.h"
#include "Files.h"
#include "HivetidyTest.h"
#include "Polling.h"
#include "Registry.h"
#include "Text.h"
#include "Wow64.h"

#include <cmath>

namespace hivedrive {
namespace {

class StartupWindow : public HivetidyTest {};

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

// A place the maker's key may be in: its name and the view it is written through.
struct MakerKeyPlace {
    const wchar_t* name;
    View view;
    const char* testName;
};

const MakerKeyPlace kMakerKeyPlaces[] = {
    {kMakerKeyDefaultUser, View::Native, "BelowTheDefaultUserHive"},
    {kMakerKeyCurrentUser, View::Native, "BelowTheCurrentUser"},
    {kMakerKeyMachine, View::Native, "BelowTheMachine"},
    // Where the 32-bit controller's installer puts it on 64-bit Windows.
    {kMakerKeyMachine, View::Wow32, "BelowTheMachinesWow32View"},
};

// GoogleTest names the place in a failure by this.
void PrintTo(const MakerKeyPlace& place, std::ostream* out)
{
    *out << place.testName;
}

// The check box is offered when the maker's key is found below any one of the places.
class MakerKeyProbe : public HivetidyTest, public ::testing::WithParamInterface<MakerKeyPlace> {};

TEST_P(MakerKeyProbe, OffersTheCheckBoxWhenTheKeyExistsOnlyThere)
{
    const MakerKeyPlace place = GetParam();
    if (place.view == View::Wow32 && !IsWindows64()) {
        GTEST_SKIP() << "32-bit Windows has one view only, the machine's own";
    }
    // Below HKEY_USERS Wine keeps the default profile apart from the current user's hive, so a
    // key there is seen only through the walk of the user hives.
    const std::vector<std::wstring> hives = SubkeyNames(L"HKEY_USERS");
    ASSERT_TRUE(std::any_of(hives.begin(), hives.end(), [](const std::wstring& h) { return EqualsIgnoreCase(h, L".DEFAULT"); }));
    ASSERT_FALSE(EqualsIgnoreCase(CurrentUserHiveName(), L".DEFAULT"));
    ASSERT_FALSE(MakerKeyExistsAnywhere());

    m_seeds.OwnKey(place.name, place.view);
    SetText(std::wstring(place.name) + L"\\OMX\\Settings", L"Language", L"deu", place.view);
    for (const MakerKeyPlace& other : kMakerKeyPlaces) {
        if (other.view == View::Native || IsWindows64()) {
            ASSERT_EQ(KeyExists(other.name, other.view), std::string_view(other.testName) == place.testName)
                << other.testName;
        }
    }

    Hivetidy program = Hivetidy::Start();
    Form1Window& window = program.Window();
    EXPECT_TRUE(window.IsVisible(Control::Check1));
    EXPECT_TRUE(window.IsEnabled(Control::Check1));
    EXPECT_EQ(window.Caption(Control::Check1), L"Knoten  \"ORVA Roboter GmbH\"  l\u00f6schen ?");
    EXPECT_EQ(window.IsChecked(Control::Check1), false);
}

std::string PlaceName(const ::testing::TestParamInfo<MakerKeyPlace>& info)
{
    return info.param.testName;
}

INSTANTIATE_TEST_SUITE_P(EachPlace, MakerKeyProbe, ::testing::ValuesIn(kMakerKeyPlaces), PlaceName);

} // namespace
} // namespace hivedrive
