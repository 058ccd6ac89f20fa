#include "platform/win32/ProgramArguments.h"

#include <gtest/gtest.h>

namespace hivetidy::win32 {
namespace {

struct SplitRow {
    const char* why; // the wrong line that the row catches
    const wchar_t* commandLine;
    std::vector<std::string> arguments;
};

const SplitRow kSplitRows[] = {
    {"the program's own name taken as an argument, which opens no window",
     L"\"C:\\Program Files\\Hivetidy\\hivetidy.exe\"", {}},
    {"an empty command line answered with the program's path", L"", {}},
    {"a split at every blank, or the quotes kept",
     L"hivetidy.exe /auto /backup:\"C:\\Sicherung PC 1\\b.reg\"  /maker",
     {"/auto", "/backup:C:\\Sicherung PC 1\\b.reg", "/maker"}},
    {"the argument narrowed to the ANSI code page instead of UTF-8", L"hivetidy.exe /undo:C:\\S\u00e4ge\\b.reg",
     {"/undo:C:\\S\xC3\xA4ge\\b.reg"}},
    // What a quoted folder ending in a backslash becomes; the parser refuses the stray quote.
    {"a splitting of its own that differs from every other program's",
     L"hivetidy.exe /list \"/report:C:\\x y\\\"", {"/list", "/report:C:\\x y\""}},
};

TEST(ProgramArgumentsTest, SplitsAsWindowsDoesAndLeavesTheProgramsNameOut)
{
    for (const SplitRow& row : kSplitRows) {
        EXPECT_EQ(ArgumentsOf(row.commandLine), row.arguments) << row.why;
    }
}

} // namespace
} // namespace hivetidy::win32
