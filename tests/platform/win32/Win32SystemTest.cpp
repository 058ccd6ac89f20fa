#include "platform/win32/Win32System.h"

#include "platform/win32/Win32Api.h"

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

// Catches a lock judged by the mutex's ownership (a second CreateMutex in the same program, or
// a waiting one, would pass) instead of its being there, and one that outlives its holder.
TEST(Win32SystemTest, TheRunLockIsTheMachinesOnlyWhileItsHolderLives)
{
    Win32System system;
    {
        const auto first = system.TakeRunLock();
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(system.TakeRunLock(), nullptr);
    }
    EXPECT_NE(system.TakeRunLock(), nullptr);
}

// Catches a lock that any user could take first: a named object of the global namespace (the
// lock once was one) must not stop a run. Also catches a lock file left behind by its holder.
TEST(Win32SystemTest, NoObjectOfTheGlobalNamespaceStopsTheRunLock)
{
    const HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Global\\Hivetidy.Run");
    const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, L"Global\\Hivetidy.Lock");
    ASSERT_NE(mutex, nullptr);
    ASSERT_NE(event, nullptr);
    Win32System system;
    {
        const auto lock = system.TakeRunLock();
        EXPECT_NE(lock, nullptr);
    }
    EXPECT_EQ(GetFileAttributesW(L"C:\\REGISTRY\\HIVETIDY.LCK"), INVALID_FILE_ATTRIBUTES);
    CloseHandle(event);
    CloseHandle(mutex);
}

// Catches a report head without the machine's name, or a date in the user's own format.
TEST(Win32SystemTest, TheMachinesNameAndTheLocalTimeForTheReport)
{
    Win32System system;
    EXPECT_FALSE(system.ComputerName().empty());
    const std::string now = system.LocalDateTime();
    ASSERT_EQ(now.size(), 19u) << now;
    EXPECT_EQ(now[4], '-');
    EXPECT_EQ(now[10], ' ');
    EXPECT_EQ(now[13], ':');
}

} // namespace
} // namespace hivetidy::win32
