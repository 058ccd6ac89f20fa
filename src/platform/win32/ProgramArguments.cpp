#include "platform/win32/ProgramArguments.h"

#include "platform/win32/Win32Api.h"
#include "platform/win32/WideText.h"

#include <shellapi.h>

#include <memory>

namespace hivetidy::win32 {

std::vector<std::string> ArgumentsOf(std::wstring_view commandLine)
{
    // An empty text would be answered with this program's own path as its one argument.
    const std::wstring text(commandLine);
    if (text.empty()) {
        return {};
    }
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> split(CommandLineToArgvW(text.c_str(), &count), &LocalFree);
    std::vector<std::string> arguments;
    // The first is the program's name.
    for (int i = 1; split && i < count; ++i) {
        arguments.push_back(Narrow(split.get()[i]));
    }
    return arguments;
}

std::vector<std::string> ProgramArguments()
{
    return ArgumentsOf(GetCommandLineW());
}

} // namespace hivetidy::win32
