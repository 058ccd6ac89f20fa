#pragma once
// The stand-in registry editor of tools/FakeRegistryEditor.cpp, built beside the driver for both
// machines: planted where a user could put a regedit.exe, or put in the place of the system's own
// editor. It records each of its starts, so a test sees whether it ran and for which keys.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hivedrive {

// Where the stand-in records its starts, one command line a line.
inline constexpr std::wstring_view kStandInJournalPath = L"C:\\hivetidy-falle.txt";

enum class Machine { X86, X64 };

// The machine of the programs this Windows runs without WOW64: on 64-bit Windows the program
// never lets a 32-bit registry editor run.
[[nodiscard]] Machine NativeMachine();
[[nodiscard]] const char* NameOf(Machine machine);
// The stand-in built for the machine, beside the driver; nullopt when this build has none (the
// MinGW-w64 compiler for that machine was not installed when it was configured).
[[nodiscard]] std::optional<std::wstring> StandInEditor(Machine machine);
// The command lines the stand-in was started with, in order; empty when it never ran.
[[nodiscard]] std::vector<std::wstring> StandInStarts();
void ForgetStandInStarts();

// Sets an environment variable of the driver while it lives; the programs the driver starts, and
// the editor hivetidy.exe starts, inherit it.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(std::wstring name, const std::wstring& value);
    ~ScopedEnvironmentVariable();

    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    std::wstring m_name;
};

// The stand-in in the place of the system's registry editor while it lives; the system's own is
// put back when it goes, whatever the test's outcome, so that the tests after it export and import
// with the real one. Declare it before the Hivetidy it is for: a program still running then is
// ended first.
class ReplacedRegistryEditor {
public:
    explicit ReplacedRegistryEditor(const std::wstring& standIn);
    ~ReplacedRegistryEditor();

    ReplacedRegistryEditor(const ReplacedRegistryEditor&) = delete;
    ReplacedRegistryEditor& operator=(const ReplacedRegistryEditor&) = delete;

private:
    std::wstring m_editor;
    std::wstring m_saved;
};

// The real editor's exports of the keys, made now (so before the editor is replaced), for the
// stand-in to cut short: it finds them through HIVEDRIVE_EXPORTS while this lives.
class TrueExports {
public:
    explicit TrueExports(const std::vector<std::wstring>& keys);

private:
    static std::wstring MadeFor(const std::vector<std::wstring>& keys);

    ScopedEnvironmentVariable m_folder;
};

} // namespace hivedrive
