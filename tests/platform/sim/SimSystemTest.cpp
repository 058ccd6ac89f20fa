#include "platform/sim/SimSystem.h"

#include "shared/Failure.h"

#include <gtest/gtest.h>

#include <exception>
#include <string>
#include <type_traits>

namespace hivetidy::sim {
namespace {

using namespace std::string_literals;

static_assert(!std::is_base_of_v<std::exception, ProgramEnded>);
static_assert(!std::is_base_of_v<Failure, ProgramEnded>);

TEST(SimSystem, TheAnsiCodePageIsWindows1252)
{
    SimSystem system;
    EXPECT_EQ(system.ToAnsi("gel\u00f6scht \u20ac\u201e\u0178"), "gel\xf6scht \x80\x84\x9f");
    EXPECT_EQ(system.ToAnsi("\u03a9 \u0100 \U0001F600"), "? ? ?"); // what the code page lacks
    EXPECT_EQ(system.FromAnsi("\x80\x81\x9f\xff"), "\u20ac\u0081\u0178\u00ff");
    std::string every;
    for (int byte = 1; byte < 256; ++byte) {
        every.push_back(static_cast<char>(byte));
    }
    EXPECT_EQ(system.ToAnsi(system.FromAnsi(every)), every);
}

TEST(SimSystem, TimesOfDayHaveTwoDigitsEachAsInGerman)
{
    SimSystem system;
    EXPECT_EQ(system.FormatTimeOfDay(0, 1, 5), "00:01:05");
    EXPECT_EQ(system.FormatTimeOfDay(23, 59, 59), "23:59:59");
}

TEST(SimSystem, BeepsAreCounted)
{
    SimSystem system;
    system.Beep();
    system.Beep();
    EXPECT_EQ(system.BeepCount(), 2);
}

TEST(SimSystem, TerminateEndsTheProgramPastEveryFailureIdiom)
{
    SimSystem system;
    EXPECT_FALSE(system.Ended());
    EXPECT_THROW((void)SkipOnFailure([&] { system.Terminate(); }), ProgramEnded);
    EXPECT_TRUE(system.Ended());
}

} // namespace
} // namespace hivetidy::sim
