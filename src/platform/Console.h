#pragma once
// The console the program was started from (cmd, PowerShell), where a command-line run writes
// its lines; started without one, the lines go nowhere but the log and the report.

#include <string_view>

namespace hivetidy {

class Console {
public:
    virtual ~Console() = default;

    // True when the program was started from a console or with its output redirected.
    [[nodiscard]] virtual bool Attached() const = 0;
    // One line of UTF-8 text; the line end is added. Writes nothing without a console.
    virtual void WriteLine(std::string_view line) = 0;
};

} // namespace hivetidy
