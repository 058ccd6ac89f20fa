#include "platform/win32/Win32Processes.h"

#include <gtest/gtest.h>

namespace hivetidy::win32 {
namespace {

TEST(Win32ProcessesTest, WaitReturnsTheExitCodeOfTheStartedProgram)
{
    Win32Processes processes;

    auto process = processes.Start("cmd.exe /c exit 3");

    ASSERT_NE(process, nullptr);
    EXPECT_NE(process->Id(), 0u);
    EXPECT_EQ(process->Wait(), 3u);
    EXPECT_EQ(process->Wait(), 3u);
}

TEST(Win32ProcessesTest, AProgramThatIsNotThereDoesNotStart)
{
    Win32Processes processes;

    EXPECT_EQ(processes.Start("hivetidy-kein-solches-programm.exe /e"), nullptr);
    EXPECT_EQ(processes.Start(""), nullptr);
}

TEST(Win32ProcessesTest, TheRegistryEditorExportsInFormatVersion5)
{
    EXPECT_EQ(Win32Processes().RegistryEditorFormat(), ExportFormat::Version5);
}

} // namespace
} // namespace hivetidy::win32
