#pragma once
// Starting a program from a command line and waiting for it.

#include <cstdint>
#include <memory>
#include <string_view>

namespace hivetidy {

// The registry-export format that the platform's registry editor writes with /e.
enum class ExportFormat {
    Version4, // "REGEDIT4", ANSI code page
    Version5, // "Windows Registry Editor Version 5.00", UTF-16LE with byte-order mark
};

// A started process, held by its handle from the start, so that a reused process id can never
// make the program wait on a stranger.
class StartedProcess {
public:
    virtual ~StartedProcess() = default;

    [[nodiscard]] virtual std::uint32_t Id() const = 0;
    // Blocks until the process has ended (no time limit; the window is repainted meanwhile, but no
    // input, timer or posted message is taken); its exit code, 0 when the code cannot be read.
    [[nodiscard]] virtual std::uint32_t Wait() = 0;
};

class Processes {
public:
    virtual ~Processes() = default;

    // Starts the command line with a normal window that takes the focus; nullptr when it cannot.
    [[nodiscard]] virtual std::unique_ptr<StartedProcess> Start(std::string_view commandLine) = 0;
    // Starts the machine's native registry editor, the file <Windows folder>\regedit.exe by that
    // full path and never by a search, with this command line (its first word is the program's
    // name only), a normal window that takes the focus, and the system folder as its current
    // directory. On 64-bit Windows that is the 64-bit editor, from either build. nullptr when it
    // cannot start, or when what started is not the native editor.
    [[nodiscard]] virtual std::unique_ptr<StartedProcess> StartRegistryEditor(std::string_view commandLine) = 0;
    // What `regedit /e` writes on this platform.
    [[nodiscard]] virtual ExportFormat RegistryEditorFormat() const = 0;
};

} // namespace hivetidy
