#include "platform/win32/Win32Window.h"

#include "DialogAnswer.h"
#include "app/Form1Text.h"
#include "platform/win32/Dpi.h"
#include "platform/win32/UniqueResource.h"
#include "platform/win32/WideText.h"
#include "shared/Failure.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
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

struct CaptionRow {
    Control control;
    std::string_view caption;
};

// Every caption the core puts into the window, with a time of day as wide as any.
constexpr std::array<CaptionRow, 11> kCoreCaptions{{
    {Control::Command1, "&Start"},
    {Control::Command2, kCancelCaption},
    {Control::Command2, kExitCaption},
    {Control::Command3, "&Undo"},
    {Control::Check1, kCheck1Caption},
    {Control::Label1, "23:59:59"},
    {Control::Label2, kPurposeText},
    {Control::Label2, kUndoHint},
    {Control::Label2, kPartialHint},
    {Control::Label2, kNothingDeletedHint},
    {Control::Label2, kUpdatingText},
}};

// Captions wider than their laid-out controls at every DPI, though not wider than the window.
constexpr std::array<CaptionRow, 4> kWideCaptions{{
    {Control::Command1, "&Starten und protokollieren"},
    {Control::Check1, "Knoten  \"ORVA Roboter\"  l\u00f6schen ?  Knoten  \"ORVA\"  l\u00f6schen ?"},
    {Control::Label1, "Laufzeit 23:59:59 Uhr"},
    {Control::Label2, "Programm zur S\u00e4uberung der Registry von ung\u00fcltigen Servereintr\u00e4gen, Klassen, "
                      "Typbibliotheken und Anwendungspfaden der Steuerung !"},
}};

// The height of the font's characters as the system realises it, internal leading left out.
int CharacterHeightOf(HFONT font)
{
    const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    SelectObject(dc.get(), font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.get(), &metrics);
    return metrics.tmHeight - metrics.tmInternalLeading;
}

HFONT FontOf(HWND control)
{
    return reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
}

// A white 32-bit bitmap to draw into, rows from the top, and where the ink on it ends.
class Canvas {
public:
    Canvas(int width, int height) : m_width(width), m_height(height), m_dc(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        m_bitmap.reset(CreateDIBSection(m_dc.get(), &info, DIB_RGB_COLORS, &m_bits, nullptr, 0));
        SelectObject(m_dc.get(), m_bitmap.get());
        RECT all{0, 0, width, height};
        FillRect(m_dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    [[nodiscard]] HDC Dc() const { return m_dc.get(); }
    // One past the rightmost column that differs from the top right pixel; 0 for a blank canvas.
    [[nodiscard]] int InkRight() const
    {
        GdiFlush();
        const auto* pixels = static_cast<const std::uint32_t*>(m_bits);
        const std::uint32_t background = pixels[m_width - 1];
        int ink = 0;
        for (int row = 0; row < m_height; ++row) {
            for (int column = ink; column < m_width; ++column) {
                if ((pixels[row * m_width + column] ^ background) & 0x00FFFFFF) {
                    ink = column + 1;
                }
            }
        }
        return ink;
    }

private:
    int m_width;
    int m_height;
    UniqueMemoryDc m_dc;
    UniqueGdiObject m_bitmap;
    void* m_bits = nullptr;
};

constexpr int kCanvasWidth = 2000;

// Where the ink of a check box's drawing ends: a twin of it (its class, styles, font and caption)
// is drawn far wider than any caption, so the box and gap count as the control itself draws them.
int InkWidthOf(HWND control)
{
    RECT client{};
    GetClientRect(control, &client);
    const UniqueWindow twin(CreateWindowExW(static_cast<DWORD>(GetWindowLongPtrW(control, GWL_EXSTYLE)),
                                            ClassNameOf(control).c_str(), TextOf(control).c_str(),
                                            static_cast<DWORD>(StyleOf(control)), 0, 0, kCanvasWidth, client.bottom,
                                            GetParent(control), nullptr, GetModuleHandleW(nullptr), nullptr));
    if (!twin) {
        return -1;
    }
    SendMessageW(twin.get(), WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(control)), FALSE);
    const Canvas canvas(kCanvasWidth, client.bottom);
    SendMessageW(twin.get(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT | PRF_ERASEBKGND);
    return canvas.InkRight();
}

// Where the ink of the text ends as DrawTextW draws it with the font, left-aligned, wrapped (where
// the format says so) at that width; and how high its lines are.
SIZE TextInkOf(HFONT font, const std::wstring& text, UINT format, int width)
{
    const Canvas canvas(kCanvasWidth, 600);
    SelectObject(canvas.Dc(), font);
    SetBkMode(canvas.Dc(), TRANSPARENT);
    RECT bounds{0, 0, width, 0};
    DrawTextW(canvas.Dc(), text.c_str(), -1, &bounds, format | DT_CALCRECT);
    RECT target{0, 0, width, 600};
    DrawTextW(canvas.Dc(), text.c_str(), -1, &target, format | DT_NOCLIP);
    return {std::max(static_cast<LONG>(canvas.InkRight()), bounds.right), bounds.bottom};
}

// Whether the control shows its caption whole, measured with the control's own font: a check
// box by its drawing's ink; a push button's text by its ink within the content area of its frame;
// a label's text, wrapped as the static control wraps it, by its ink within its width and its
// lines within its height.
::testing::AssertionResult ShowsItsCaptionWhole(HWND control, ControlKind kind)
{
    RECT client{};
    GetClientRect(control, &client);
    const std::wstring text = TextOf(control);
    switch (kind) {
    case ControlKind::CheckBox: {
        const int ink = InkWidthOf(control);
        if (ink <= 0 || ink > client.right) {
            return ::testing::AssertionFailure() << "drawn " << ink << " pixels wide in " << client.right;
        }
        return ::testing::AssertionSuccess();
    }
    case ControlKind::PushButton: {
        RECT content = client;
        InflateRect(&content, -2 * GetSystemMetrics(SM_CXEDGE), 0);
        if (const HTHEME theme = GetWindowTheme(control)) {
            const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
            GetThemeBackgroundContentRect(theme, dc.get(), BP_PUSHBUTTON, PBS_NORMAL, &client, &content);
        }
        const SIZE ink = TextInkOf(FontOf(control), text, DT_SINGLELINE, 0);
        if (ink.cx > content.right - content.left) {
            return ::testing::AssertionFailure() << ink.cx << " pixels of text in " << content.right - content.left;
        }
        return ::testing::AssertionSuccess();
    }
    case ControlKind::Label: {
        const SIZE ink = TextInkOf(FontOf(control), text, DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX, client.right);
        if (ink.cx > client.right || ink.cy > client.bottom) {
            return ::testing::AssertionFailure() << ink.cx << "x" << ink.cy << " pixels of text in " << client.right
                                                 << "x" << client.bottom;
        }
        return ::testing::AssertionSuccess();
    }
    case ControlKind::PictureBox:
        break;
    }
    return ::testing::AssertionSuccess();
}

class Win32WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // As hivetidy.exe does before its window: its manifest asks for the themed controls.
        INITCOMMONCONTROLSEX commonControls{sizeof(commonControls), ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&commonControls);
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

// The window's layout: the tests that scripts run again at 120, 144 and 192 DPI.
class Win32WindowLayoutTest : public Win32WindowTest {
protected:
    // A control's frame in the window's client area.
    [[nodiscard]] RECT FrameOf(HWND control) const
    {
        RECT frame{};
        GetWindowRect(control, &frame);
        MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&frame), 2);
        return frame;
    }
    [[nodiscard]] RECT ClientArea() const
    {
        RECT client{};
        GetClientRect(Handle(), &client);
        return client;
    }
    // What the layout leaves right of its rightmost control, in pixels.
    [[nodiscard]] int RightMargin() const
    {
        int right = 0;
        for (const ControlLayout& entry : kForm1Layout) {
            right = std::max(right, entry.left + entry.width);
        }
        return Px(kClientWidth) - Px(right);
    }
};

TEST_F(Win32WindowLayoutTest, TheClientAreaIsTheLaidOutSizeAtTheSystemDpi)
{
    RECT client{};
    GetClientRect(Handle(), &client);

    EXPECT_EQ(m_window->Dpi(), SystemDpi());
    EXPECT_EQ(client.right, Px(kClientWidth));
    EXPECT_EQ(client.bottom, Px(kClientHeight));
}


TEST_F(Win32WindowLayoutTest, EveryControlSitsAtItsTwipsPositionUnderItsIdentifier)
{
    for (const ControlLayout& entry : kForm1Layout) {
        const HWND control = GetDlgItem(Handle(), entry.id);
        ASSERT_NE(control, nullptr) << entry.id;
        EXPECT_EQ(control, Child(entry.control));
        const RECT frame = FrameOf(control);
        EXPECT_EQ(frame.left, Px(entry.left)) << entry.id;
        EXPECT_EQ(frame.top, Px(entry.top)) << entry.id;
        EXPECT_EQ(frame.right - frame.left, Px(entry.width)) << entry.id;
        EXPECT_EQ(frame.bottom - frame.top, Px(entry.height)) << entry.id;
    }
}


TEST_F(Win32WindowLayoutTest, ControlsUseTheLaidOutFontsScaledToTheSystemDpi)
{
    // Wrong lines caught: the face given up also where MS Sans Serif has the size (96 DPI), or
    // kept where it has not, so that its text stays at one of its few sizes while the layout scales.
    const int dpi = m_window->Dpi();
    for (const ControlLayout& entry : kForm1Layout) {
        if (entry.kind == ControlKind::PictureBox) {
            continue;
        }
        const auto font = reinterpret_cast<HFONT>(SendMessageW(Child(entry.control), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr) << entry.id;
        LOGFONTW logFont{};
        ASSERT_NE(GetObjectW(font, sizeof(logFont), &logFont), 0);
        const int height = FontHeightOf(entry.font.points, dpi);
        EXPECT_EQ(logFont.lfHeight, height) << entry.id;
        EXPECT_EQ(logFont.lfWeight, entry.font.bold ? FW_BOLD : FW_NORMAL) << entry.id;
        EXPECT_EQ(CharacterHeightOf(font), -height) << entry.id << " " << Narrow(logFont.lfFaceName);
        const UniqueFont laidOut(CreateFontW(height, 0, 0, 0, logFont.lfWeight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                             DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif"));
        if (CharacterHeightOf(laidOut.get()) == -height) {
            EXPECT_EQ(std::wstring(logFont.lfFaceName), L"MS Sans Serif") << entry.id;
        } else {
            EXPECT_NE(std::wstring(logFont.lfFaceName), L"MS Sans Serif") << entry.id;
        }
    }
    EXPECT_EQ(FontHeightOf(8.25, 96), -11);
    EXPECT_EQ(FontHeightOf(9.75, 96), -13);
}

TEST_F(Win32WindowLayoutTest, EveryCaptionTheCoreShowsIsWholeInItsControl)
{
    // Wrong lines caught: a caption set by the core not measured (SetCaption without the fit), the
    // check box's box and gap left out of its width, a label measured unwrapped or without its font.
    for (const CaptionRow& row : kCoreCaptions) {
        m_window->SetCaption(row.control, row.caption);
        EXPECT_TRUE(ShowsItsCaptionWhole(Child(row.control), LayoutOf(row.control).kind)) << row.caption;
    }
}

TEST_F(Win32WindowLayoutTest, ACaptionTooWideForItsControlWidensItToTheRightAndNoFurtherThanTheMargin)
{
    // Wrong lines caught: the control moved or made taller instead of wider, widened past the
    // client area's margin, or a wrapped label widened too little to take its text in its lines.
    for (const CaptionRow& row : kWideCaptions) {
        const ControlLayout& entry = LayoutOf(row.control);
        m_window->SetCaption(row.control, row.caption);

        const RECT frame = FrameOf(Child(row.control));
        EXPECT_TRUE(ShowsItsCaptionWhole(Child(row.control), entry.kind)) << row.caption;
        EXPECT_GT(frame.right - frame.left, Px(entry.width)) << row.caption;
        EXPECT_EQ(frame.left, Px(entry.left)) << row.caption;
        EXPECT_EQ(frame.top, Px(entry.top)) << row.caption;
        EXPECT_EQ(frame.bottom - frame.top, Px(entry.height)) << row.caption;
        EXPECT_LE(frame.right, ClientArea().right - RightMargin()) << row.caption;
    }
}

TEST_F(Win32WindowLayoutTest, WhereTheMarginIsNotEnoughTheClientAreaGrowsAndTheWindowStaysCentred)
{
    // Wrong lines caught: the window grown to one side only, by its outer size twice, or without
    // the margin; the client area made taller; another control moved along.
    const TwipsSize screen = m_window->ScreenSize();
    const TwipsSize before = m_window->WindowSize();
    m_window->MoveTo((screen.width - before.width) / 2, (screen.height - before.height) / 2);
    RECT outerBefore{};
    GetWindowRect(Handle(), &outerBefore);
    const RECT clientBefore = ClientArea();
    const RECT startBefore = FrameOf(Child(Control::Command3));

    m_window->SetCaption(Control::Check1, std::string(kCheck1Caption) + "  " + std::string(kCheck1Caption));

    const RECT check = FrameOf(Child(Control::Check1));
    EXPECT_TRUE(ShowsItsCaptionWhole(Child(Control::Check1), ControlKind::CheckBox));
    EXPECT_EQ(check.left, Px(LayoutOf(Control::Check1).left));
    EXPECT_EQ(ClientArea().right, check.right + RightMargin());
    EXPECT_GT(ClientArea().right, clientBefore.right);
    EXPECT_EQ(ClientArea().bottom, clientBefore.bottom);
    RECT outer{};
    GetWindowRect(Handle(), &outer);
    EXPECT_LE(std::abs((outer.left + outer.right) - (outerBefore.left + outerBefore.right)), 1);
    EXPECT_EQ(outer.top, outerBefore.top);
    const RECT startAfter = FrameOf(Child(Control::Command3));
    EXPECT_TRUE(EqualRect(&startAfter, &startBefore));
}

TEST_F(Win32WindowLayoutTest, WithEveryCaptionOfTheCoreTheWindowFitsOnA1024By768Screen)
{
    // Wrong lines caught: a stand-in face far wider than the layout's, or a label widened to the
    // screen's width instead of to the narrowest width that takes its text.
    if (m_window->Dpi() > 144) {
        GTEST_SKIP() << "a screen of 1024 by 768 pixels is not run at " << m_window->Dpi() << " DPI";
    }
    for (const CaptionRow& row : kCoreCaptions) {
        m_window->SetCaption(row.control, row.caption);
    }
    RECT outer{};
    GetWindowRect(Handle(), &outer);
    EXPECT_LE(outer.right - outer.left, 1024);
    EXPECT_LE(outer.bottom - outer.top, 768);
}

} // namespace
} // namespace hivetidy::win32
