#include "platform/win32/Win32Window.h"

#include "DialogAnswer.h"
#include "platform/win32/Dpi.h"
#include "shared/Failure.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace hivetidy::win32 {
namespace {

// Records the core's handlers as the window calls them; can be told to throw from Command1_Click.
class RecordingEvents final : public FormEvents {
public:
    void Command1_Click() override
    {
        calls.push_back("Command1_Click");
        if (throwFailure) {
            throw Failure("Schl\u00fcssel fehlt");
        }
        if (throwUnexpected) {
            throw std::runtime_error("kaputt");
        }
    }
    void Command2_Click() override { calls.push_back("Command2_Click"); }
    void Command3_Click() override { calls.push_back("Command3_Click"); }
    void Check1_Click() override { calls.push_back("Check1_Click"); }
    void Timer1_Timer() override { calls.push_back("Timer1_Timer"); }
    void CloseBox() override { calls.push_back("CloseBox"); }

    std::vector<std::string> calls;
    bool throwFailure = false;
    bool throwUnexpected = false;
};

std::wstring TextOf(HWND window)
{
    std::array<wchar_t, 512> text{};
    GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return text.data();
}

std::wstring ClassNameOf(HWND window)
{
    std::array<wchar_t, 256> name{};
    GetClassNameW(window, name.data(), static_cast<int>(name.size()));
    return name.data();
}

LONG_PTR StyleOf(HWND window)
{
    return GetWindowLongPtrW(window, GWL_STYLE);
}

class Win32WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_window = std::make_unique<Win32Window>();
        ASSERT_TRUE(m_window->Create(GetModuleHandleW(nullptr)));
        m_window->SetEvents(&m_events);
    }
    void TearDown() override
    {
        m_window.reset();
        // Destroying the window posted a quit, meant for a message loop this test does not run.
        MSG quit{};
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    [[nodiscard]] HWND Handle() const { return m_window->Handle(); }
    [[nodiscard]] HWND Child(Control control) const { return m_window->ControlHandle(control); }
    [[nodiscard]] int Px(double twips) const { return TwipsToPixels(twips, m_window->Dpi()); }

    void Click(Control control)
    {
        SendMessageW(Handle(), WM_COMMAND, MAKEWPARAM(LayoutOf(control).id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(Child(control)));
    }

    // Clicks the control and presses OK on the message box that reports what went wrong; what it said.
    SeenDialog ClickAndAcknowledgeTheReport(Control control)
    {
        auto answer = AnswerDialog(L"Hivetidy", IDOK);
        Click(control);
        SeenDialog report = answer.get();
        EXPECT_TRUE(report.found);
        return report;
    }

    // Lets the window work its queue for that long, as the core's run does between its steps.
    void PumpFor(std::chrono::milliseconds duration)
    {
        const auto end = std::chrono::steady_clock::now() + duration;
        while (std::chrono::steady_clock::now() < end) {
            m_window->ProcessWaitingMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    RecordingEvents m_events;
    std::unique_ptr<Win32Window> m_window;
};

TEST_F(Win32WindowTest, IsCreatedHiddenWithItsClassItsCaptionAndAFixedFrame)
{
    EXPECT_FALSE(IsWindowVisible(Handle()));
    EXPECT_EQ(ClassNameOf(Handle()), L"HivetidyForm1");
    EXPECT_EQ(TextOf(Handle()), L"  Hivetidy");
    const LONG_PTR style = StyleOf(Handle());
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
}

TEST_F(Win32WindowTest, TheClientAreaIsTheLaidOutSizeAtTheSystemDpi)
{
    RECT client{};
    GetClientRect(Handle(), &client);

    EXPECT_EQ(m_window->Dpi(), SystemDpi());
    EXPECT_EQ(client.right, Px(kClientWidth));
    EXPECT_EQ(client.bottom, Px(kClientHeight));
}

TEST_F(Win32WindowTest, EveryControlSitsAtItsTwipsPositionUnderItsIdentifier)
{
    for (const ControlLayout& entry : kForm1Layout) {
        const HWND control = GetDlgItem(Handle(), entry.id);
        ASSERT_NE(control, nullptr) << entry.id;
        EXPECT_EQ(control, Child(entry.control));
        RECT frame{};
        GetWindowRect(control, &frame);
        MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&frame), 2);
        EXPECT_EQ(frame.left, Px(entry.left)) << entry.id;
        EXPECT_EQ(frame.top, Px(entry.top)) << entry.id;
        EXPECT_EQ(frame.right - frame.left, Px(entry.width)) << entry.id;
        EXPECT_EQ(frame.bottom - frame.top, Px(entry.height)) << entry.id;
    }
}

TEST_F(Win32WindowTest, ControlsAreCreatedInTabOrderAndTabVisitsTheButtonsAndTheCheckBoxOnly)
{
    std::vector<int> created;
    for (HWND child = GetWindow(Handle(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        created.push_back(GetDlgCtrlID(child));
    }
    std::vector<int> laidOut;
    for (const ControlLayout& entry : kForm1Layout) {
        laidOut.push_back(entry.id);
    }
    EXPECT_EQ(created, laidOut);

    std::vector<int> tabbed;
    HWND stop = GetNextDlgTabItem(Handle(), nullptr, FALSE);
    for (int i = 0; i < 5 && stop != nullptr; ++i) {
        tabbed.push_back(GetDlgCtrlID(stop));
        stop = GetNextDlgTabItem(Handle(), stop, FALSE);
    }
    EXPECT_EQ(tabbed, (std::vector<int>{1001, 1002, 1003, 1008, 1001}));
}

TEST_F(Win32WindowTest, EachKindOfControlHasItsClassAndStyle)
{
    EXPECT_EQ(ClassNameOf(Child(Control::Command1)), L"Button");
    EXPECT_EQ(StyleOf(Child(Control::Command1)) & (BS_TYPEMASK | WS_TABSTOP), BS_PUSHBUTTON | WS_TABSTOP);
    EXPECT_EQ(StyleOf(Child(Control::Check1)) & (BS_TYPEMASK | WS_TABSTOP), BS_AUTOCHECKBOX | WS_TABSTOP);
    EXPECT_EQ(ClassNameOf(Child(Control::Label1)), L"Static");
    EXPECT_EQ(StyleOf(Child(Control::Label1)) & (SS_TYPEMASK | WS_TABSTOP), SS_RIGHT);
    EXPECT_EQ(StyleOf(Child(Control::Label2)) & (SS_TYPEMASK | WS_TABSTOP), SS_CENTER);
    EXPECT_EQ(ClassNameOf(Child(Control::Picture1)), L"HivetidyPictureBox");
    EXPECT_EQ(StyleOf(Child(Control::Picture2)) & WS_TABSTOP, 0);
    EXPECT_EQ(TextOf(Child(Control::Command1)), L"&Start");
    EXPECT_EQ(TextOf(Child(Control::Check1)), L"Knoten  \"ORVA Roboter GmbH\"  l\u00f6schen ?");
}

TEST_F(Win32WindowTest, ControlsUseTheLaidOutFontsAtTheSystemDpi)
{
    for (const ControlLayout& entry : kForm1Layout) {
        if (entry.kind == ControlKind::PictureBox) {
            continue;
        }
        const auto font = reinterpret_cast<HFONT>(SendMessageW(Child(entry.control), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr) << entry.id;
        LOGFONTW logFont{};
        ASSERT_NE(GetObjectW(font, sizeof(logFont), &logFont), 0);
        EXPECT_EQ(std::wstring(logFont.lfFaceName), L"MS Sans Serif") << entry.id;
        EXPECT_EQ(logFont.lfHeight, FontHeightOf(entry.font.points, m_window->Dpi())) << entry.id;
        EXPECT_EQ(logFont.lfWeight, entry.font.bold ? FW_BOLD : FW_NORMAL) << entry.id;
    }
    EXPECT_EQ(FontHeightOf(8.25, 96), -11);
    EXPECT_EQ(FontHeightOf(9.75, 96), -13);
}

TEST_F(Win32WindowTest, LabelTwoIsRedAndTheLabelsStandOnTheButtonFace)
{
    const HDC dc = CreateCompatibleDC(nullptr);

    const LRESULT brush = SendMessageW(Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(Child(Control::Label2)));
    EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE)));

    SendMessageW(Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Child(Control::Label1)));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    DeleteDC(dc);
}

TEST_F(Win32WindowTest, CaptionsCrossFromUtf8)
{
    m_window->SetCaption(Control::Label2, "Programm zur S\u00e4uberung der Registry von ung\u00fcltigen Servereintr\u00e4gen !");
    m_window->SetCaption(Control::Command2, "E&xit");

    EXPECT_EQ(TextOf(Child(Control::Label2)), L"Programm zur S\u00e4uberung der Registry von ung\u00fcltigen Servereintr\u00e4gen !");
    EXPECT_EQ(TextOf(Child(Control::Command2)), L"E&xit");
}

TEST_F(Win32WindowTest, EnabledAndVisibleAreTheControlsOwnStates)
{
    m_window->SetEnabled(Control::Command3, false);
    m_window->SetVisible(Control::Label1, false);

    EXPECT_FALSE(IsWindowEnabled(Child(Control::Command3)));
    EXPECT_EQ(StyleOf(Child(Control::Label1)) & WS_VISIBLE, 0);

    m_window->SetEnabled(Control::Command3, true);
    m_window->SetVisible(Control::Label1, true);

    EXPECT_TRUE(IsWindowEnabled(Child(Control::Command3)));
    EXPECT_NE(StyleOf(Child(Control::Label1)) & WS_VISIBLE, 0);
}

TEST_F(Win32WindowTest, TheDefaultButtonAnswersDmGetDefIdAndAloneShowsTheDefaultFrame)
{
    EXPECT_EQ(SendMessageW(Handle(), DM_GETDEFID, 0, 0), 0);

    m_window->SetDefault(Control::Command1);
    EXPECT_EQ(SendMessageW(Handle(), DM_GETDEFID, 0, 0), MAKELRESULT(1001, DC_HASDEFID));
    EXPECT_EQ(StyleOf(Child(Control::Command1)) & BS_TYPEMASK, BS_DEFPUSHBUTTON);

    m_window->SetDefault(Control::Command3);
    EXPECT_EQ(SendMessageW(Handle(), DM_GETDEFID, 0, 0), MAKELRESULT(1003, DC_HASDEFID));
    EXPECT_EQ(StyleOf(Child(Control::Command1)) & BS_TYPEMASK, BS_PUSHBUTTON);
    EXPECT_EQ(StyleOf(Child(Control::Command3)) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
}

TEST_F(Win32WindowTest, ClicksReachTheirHandlers)
{
    Click(Control::Command1);
    Click(Control::Command2);
    Click(Control::Command3);
    Click(Control::Check1);
    Click(Control::Label2);

    EXPECT_EQ(m_events.calls, (std::vector<std::string>{"Command1_Click", "Command2_Click", "Command3_Click", "Check1_Click"}));
}

TEST_F(Win32WindowTest, TheCloseBoxGoesToTheCoreAndLeavesTheWindowStanding)
{
    SendMessageW(Handle(), WM_CLOSE, 0, 0);

    EXPECT_EQ(m_events.calls, std::vector<std::string>{"CloseBox"});
    EXPECT_TRUE(IsWindow(Handle()));
}

TEST_F(Win32WindowTest, CheckValueIsOneWhileTheCheckBoxIsTicked)
{
    EXPECT_EQ(m_window->CheckValue(Control::Check1), 0);
    SendMessageW(Child(Control::Check1), BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(m_window->CheckValue(Control::Check1), 1);
    SendMessageW(Child(Control::Check1), BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_EQ(m_window->CheckValue(Control::Check1), 0);
}

TEST_F(Win32WindowTest, TheTimerTicksEvery960MillisecondsOnlyWhileEnabled)
{
    m_window->EnableTimer(true);
    PumpFor(std::chrono::milliseconds(1400));
    m_window->EnableTimer(false);
    PumpFor(std::chrono::milliseconds(1200));

    EXPECT_EQ(m_events.calls, std::vector<std::string>{"Timer1_Timer"});
}

TEST_F(Win32WindowTest, ProcessWaitingMessagesHandsAQuitOnToTheMessageLoop)
{
    PostMessageW(Handle(), WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), reinterpret_cast<LPARAM>(Child(Control::Command2)));
    PostQuitMessage(7);

    m_window->ProcessWaitingMessages();

    EXPECT_EQ(m_events.calls, std::vector<std::string>{"Command2_Click"});
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 7u);
}

TEST_F(Win32WindowTest, MoveToPlacesTheWindowInTwipsAndWindowSizeIsItsOuterSize)
{
    const int dpi = m_window->Dpi();

    m_window->MoveTo(2 * kTwipsPerInch, kTwipsPerInch);

    RECT frame{};
    GetWindowRect(Handle(), &frame);
    EXPECT_EQ(frame.left, 2 * dpi);
    EXPECT_EQ(frame.top, dpi);
    const TwipsSize size = m_window->WindowSize();
    EXPECT_DOUBLE_EQ(size.width, PixelsToTwips(frame.right - frame.left, dpi));
    EXPECT_DOUBLE_EQ(size.height, PixelsToTwips(frame.bottom - frame.top, dpi));
    EXPECT_GT(size.width, kClientWidth);
    EXPECT_GT(size.height, kClientHeight);
}

TEST_F(Win32WindowTest, ScreenSizeIsTheScreenInTwips)
{
    const TwipsSize screen = m_window->ScreenSize();

    EXPECT_DOUBLE_EQ(screen.width, PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), m_window->Dpi()));
    EXPECT_DOUBLE_EQ(screen.height, PixelsToTwips(GetSystemMetrics(SM_CYSCREEN), m_window->Dpi()));
}

TEST_F(Win32WindowTest, AnUnexpectedExceptionFromAHandlerIsShownInGermanAndGoesNoFurther)
{
    m_events.throwUnexpected = true;

    const SeenDialog report = ClickAndAcknowledgeTheReport(Control::Command1);

    EXPECT_NE(report.text.find(L"Unerwarteter Fehler"), std::wstring::npos);
    EXPECT_NE(report.text.find(L"kaputt"), std::wstring::npos);
    EXPECT_NE(report.text.find(L"Das Programm l\u00e4uft weiter."), std::wstring::npos);
    EXPECT_TRUE(IsWindow(Handle()));
    m_events.throwUnexpected = false;
    Click(Control::Command2);
    EXPECT_EQ(m_events.calls, (std::vector<std::string>{"Command1_Click", "Command2_Click"}));
}

TEST_F(Win32WindowTest, AFailureThatEndsAHandlerIsShownAsAnAbortedStep)
{
    m_events.throwFailure = true;

    const SeenDialog report = ClickAndAcknowledgeTheReport(Control::Command1);

    EXPECT_NE(report.text.find(L"abgebrochen"), std::wstring::npos);
    EXPECT_NE(report.text.find(L"Schl\u00fcssel fehlt"), std::wstring::npos);
}

} // namespace
} // namespace hivetidy::win32
