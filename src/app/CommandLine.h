#pragma once
// The program's command line as one value. Without arguments the program opens its window; with
// them it works without one. Switches begin with / or -, ignore case, and take a value after a
// colon (quoted by the caller's shell where it holds blanks).

#include <string>
#include <variant>
#include <vector>

namespace hivetidy {

enum class CommandAction {
    Window, // no arguments: the ordinary window
    Usage,  // /?
    List,   // /list [/report:PATH] [/overwrite] [/maker]
    Auto,   // /auto /backup:PATH [/overwrite] [/maker]
    Undo,   // /undo:PATH
};

struct CommandLine {
    CommandAction action = CommandAction::Window;
    // /list: the report file, empty for none.
    std::string reportPath;
    // /auto: the backup file.
    std::string backupPath;
    // /auto and /list: whether an existing backup or report is replaced.
    bool overwrite = false;
    // /list and /auto: the maker's own keys too, as the window's check box.
    bool maker = false;
    // /undo: the backup to import.
    std::string undoPath;

    friend bool operator==(const CommandLine&, const CommandLine&) = default;
};

// What was wrong with a command line, in German, for the console.
struct CommandLineError {
    std::string message;
};

// The arguments after the program's name, split as Windows splits them (quotes removed), UTF-8.
[[nodiscard]] std::variant<CommandLine, CommandLineError> ParseCommandLine(const std::vector<std::string>& arguments);

// The usage text of /?, in German, with the exit codes; one element per line.
[[nodiscard]] std::vector<std::string> UsageText();

} // namespace hivetidy
