#include "platform/sim/SimWindow.h"

#include "platform/Form1Layout.h"
#include "platform/sim/SimSystem.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace hivetidy::sim {
namespace {

// Handlers that note each event they hear of and may act on it.
class Handlers final : public FormEvents {
public:
    void Command1_Click() override { Hear("Command1"); }
    void Command2_Click() override { Hear("Command2"); }
    void Command3_Click() override { Hear("Command3"); }
    void Check1_Click() override { Hear("Check1"); }
    void Timer1_Timer() override { Hear("Timer1"); }
    void CloseBox() override { Hear("Close"); }

    std::vector<std::string> heard;
    std::function<void(const std::string&)> onEvent;

private:
    void Hear(const std::string& event)
    {
        heard.push_back(event);
        if (onEvent) {
            onEvent(event);
        }
    }
};

using Heard = std::vector<std::string>;

class SimWindowTest : public ::testing::Test {
protected:
    SimWindowTest() { window.SetEvents(&handlers); }

    SimWindow window;
    Handlers handlers;
};

TEST_F(SimWindowTest, StartsWithTheLaidOutCaptionsAndEveryControlUsable)
{
    for (const ControlLayout& entry : kForm1Layout) {
        const ControlState& state = window.State(entry.control);
        EXPECT_EQ(state.caption, entry.text);
        EXPECT_TRUE(state.enabled);
        EXPECT_TRUE(state.visible);
        EXPECT_FALSE(state.isDefault);
        EXPECT_EQ(state.checkValue, 0);
    }
    EXPECT_EQ(window.State(Control::Check1).caption, kCheck1Caption);
    EXPECT_EQ(window.Focused(), std::nullopt);
    EXPECT_FALSE(window.TimerEnabled());
    EXPECT_EQ(window.MovedTo(), std::nullopt);
}

TEST_F(SimWindowTest, MeasuresAScreenOf1024By768PixelsAt96DotsPerInchInTwips)
{
    EXPECT_DOUBLE_EQ(window.ScreenSize().width, 15360);
    EXPECT_DOUBLE_EQ(window.ScreenSize().height, 11520);
    EXPECT_GT(window.WindowSize().width, kClientWidth);
    EXPECT_GT(window.WindowSize().height, kClientHeight);
    window.SetScreenSize({19200, 14400});
    window.SetWindowSize({5000, 4000});
    EXPECT_DOUBLE_EQ(window.ScreenSize().width, 19200);
    EXPECT_DOUBLE_EQ(window.WindowSize().height, 4000);
    window.MoveTo(10.5, 20.25);
    EXPECT_EQ(window.MovedTo(), (std::pair{10.5, 20.25}));
}

TEST_F(SimWindowTest, PostedEventsWaitForTheProgramToLetMessagesThrough)
{
    window.EnableTimer(true);
    window.PostClick(Control::Command1);
    window.PostTick();
    window.PostClose();
    EXPECT_TRUE(handlers.heard.empty());
    window.ProcessWaitingMessages();
    EXPECT_EQ(handlers.heard, (Heard{"Command1", "Timer1", "Close"}));
    EXPECT_EQ(window.YieldCount(), 1);
}

TEST_F(SimWindowTest, WhatAHandlerPostsWaitsForTheNextYield)
{
    handlers.onEvent = [&](const std::string& event) {
        if (event == "Command1") {
            window.PostClick(Control::Command2);
        }
    };
    window.PostClick(Control::Command1);
    window.ProcessWaitingMessages();
    EXPECT_EQ(handlers.heard, Heard{"Command1"});
    window.ProcessWaitingMessages();
    EXPECT_EQ(handlers.heard, (Heard{"Command1", "Command2"}));
}

TEST_F(SimWindowTest, TheYieldHookRunsFirstAndWhatItPostsIsDeliveredAtOnce)
{
    window.SetYieldHook([&](int yield) {
        if (yield == 3) {
            window.PostClick(Control::Command2);
        }
    });
    window.ProcessWaitingMessages();
    window.ProcessWaitingMessages();
    EXPECT_TRUE(handlers.heard.empty());
    window.ProcessWaitingMessages();
    EXPECT_EQ(handlers.heard, Heard{"Command2"});
}

TEST_F(SimWindowTest, ClicksOnADisabledOrHiddenControlAreDropped)
{
    window.SetEnabled(Control::Command1, false);
    window.SetVisible(Control::Check1, false);
    window.PostClick(Control::Command1);
    window.PostClick(Control::Check1);
    window.PostClick(Control::Label1); // no handler of its own
    window.ProcessWaitingMessages();
    EXPECT_FALSE(window.Click(Control::Command1));
    EXPECT_FALSE(window.Click(Control::Check1));
    EXPECT_TRUE(handlers.heard.empty());
    EXPECT_EQ(window.State(Control::Check1).checkValue, 0);
    window.SetEnabled(Control::Command1, true);
    EXPECT_TRUE(window.Click(Control::Command1));
    EXPECT_EQ(handlers.heard, Heard{"Command1"});
}

TEST_F(SimWindowTest, TheCheckBoxTogglesItselfBeforeItsHandlerHears)
{
    int seen = -1;
    handlers.onEvent = [&](const std::string&) { seen = window.CheckValue(Control::Check1); };
    EXPECT_TRUE(window.Click(Control::Check1));
    EXPECT_EQ(seen, 1);
    EXPECT_TRUE(window.Click(Control::Check1));
    EXPECT_EQ(seen, 0);
}

TEST_F(SimWindowTest, TicksReachTheHandlerOnlyWhileTheTimerRuns)
{
    window.PostTick();
    window.EnableTimer(true);
    window.PostTick();
    window.EnableTimer(false);
    window.ProcessWaitingMessages();
    EXPECT_FALSE(window.Tick());
    window.EnableTimer(true);
    EXPECT_TRUE(window.Tick());
    EXPECT_EQ(handlers.heard, Heard{"Timer1"});
}

TEST_F(SimWindowTest, OneButtonIsTheDefaultAtATime)
{
    window.SetDefault(Control::Command1);
    window.SetDefault(Control::Command2);
    EXPECT_FALSE(window.State(Control::Command1).isDefault);
    EXPECT_TRUE(window.State(Control::Command2).isDefault);
    window.SetFocus(Control::Command3);
    EXPECT_EQ(window.Focused(), Control::Command3);
}

TEST_F(SimWindowTest, TheEndOfTheProgramLeavesTheMessageLoopAtOnce)
{
    handlers.onEvent = [](const std::string&) { throw ProgramEnded{}; };
    window.PostClick(Control::Command2);
    window.PostClick(Control::Command1);
    EXPECT_THROW(window.ProcessWaitingMessages(), ProgramEnded);
    EXPECT_EQ(handlers.heard, Heard{"Command2"});
}

TEST_F(SimWindowTest, RepaintsAreCounted)
{
    window.Repaint();
    window.Repaint();
    EXPECT_EQ(window.RepaintCount(), 2);
}

} // namespace
} // namespace hivetidy::sim
