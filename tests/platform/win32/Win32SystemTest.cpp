#include "platform/win32/Win32System.h"

#include <gtest/gtest.h>

namespace hivetidy::win32 {
namespace {

// Wine's default ANSI code page is 1252, as on a Western European Windows.
TEST(Win32SystemTest, ToAnsiWritesUmlautsAsOneByteOfTheCodePage)
{
    Win32System system;

    EXPECT_EQ(system.ToAnsi("gel\u00f6scht"), "gel\xF6scht");
    EXPECT_EQ(system.ToAnsi("\u00c4\u00d6\u00dc\u00e4\u00fc\u00df"), "\xC4\xD6\xDC\xE4\xFC\xDF");
    EXPECT_EQ(system.ToAnsi(""), "");
}

TEST(Win32SystemTest, ToAnsiTurnsCharactersOutsideTheCodePageIntoQuestionMarks)
{
    EXPECT_EQ(Win32System().ToAnsi("\u0100\u03a9x"), "??x");
}

TEST(Win32SystemTest, FromAnsiReadsTheCodePageBack)
{
    Win32System system;

    EXPECT_EQ(system.FromAnsi("gel\xF6scht"), "gel\u00f6scht");
    EXPECT_EQ(system.FromAnsi(system.ToAnsi("R\u00fcckg\u00e4ngig")), "R\u00fcckg\u00e4ngig");
    EXPECT_EQ(system.FromAnsi(""), "");
}

TEST(Win32SystemTest, FormatTimeOfDayUsesTheUsersTimeFormat)
{
    const std::string text = Win32System().FormatTimeOfDay(0, 1, 5);

    EXPECT_NE(text.find("01"), std::string::npos) << text;
    EXPECT_NE(text.find("05"), std::string::npos) << text;
}

TEST(Win32SystemTest, FormatTimeOfDayOfATimeThatIsNoneIsEmpty)
{
    EXPECT_EQ(Win32System().FormatTimeOfDay(24, 0, 0), "");
}

} // namespace
} // namespace hivetidy::win32
