#include "platform/win32/Win32Console.h"

#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace hivetidy::win32 {
namespace {

// This process's standard output replaced while it lives, as cmd's "> file" hands one to the program.
class RedirectedStandardOutput {
public:
    explicit RedirectedStandardOutput(HANDLE output) : m_previous(GetStdHandle(STD_OUTPUT_HANDLE))
    {
        SetStdHandle(STD_OUTPUT_HANDLE, output);
    }
    ~RedirectedStandardOutput() { SetStdHandle(STD_OUTPUT_HANDLE, m_previous); }
    RedirectedStandardOutput(const RedirectedStandardOutput&) = delete;
    RedirectedStandardOutput& operator=(const RedirectedStandardOutput&) = delete;

private:
    HANDLE m_previous;
};

std::string BytesOf(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Catches the lines converted to the ANSI code page on their way to a file ("ö" as 0xF6, which a
// job's log reader shows as garbage), written with WriteConsoleW, which fails on a file and
// leaves it empty, or ended with a bare LF.
TEST(Win32ConsoleTest, WritesRedirectedLinesAsUtf8WithCrLf)
{
    const ScratchFolder folder(L"console");
    const std::filesystem::path path = folder.Path() / L"output.txt";
    {
        const UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        const RedirectedStandardOutput redirected(file.get());
        Win32Console console;
        EXPECT_TRUE(console.Attached());
        console.WriteLine("Gel\u00f6scht: 2 Schl\u00fcssel.");
        console.WriteLine("");
        console.WriteLine("[HKEY_CLASSES_ROOT\\OMX.\u00c4]");
    }
    EXPECT_EQ(BytesOf(path), "Gel\xC3\xB6scht: 2 Schl\xC3\xBCssel.\r\n\r\n[HKEY_CLASSES_ROOT\\OMX.\xC3\x84]\r\n");
}

} // namespace
} // namespace hivetidy::win32
