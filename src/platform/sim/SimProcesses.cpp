#include "platform/sim/SimProcesses.h"

#include "platform/sim/RegFile.h"
#include "platform/sim/SimFileSystem.h"
#include "platform/sim/SimRegistry.h"
#include "shared/Text.h"

#include <utility>

namespace hivetidy::sim {

namespace {

class SimStartedProcess final : public StartedProcess {
public:
    SimStartedProcess(std::uint32_t id, std::uint32_t exitCode) : m_id(id), m_exitCode(exitCode) {}

    [[nodiscard]] std::uint32_t Id() const override { return m_id; }
    // The simulated program has run to its end when Start returned.
    [[nodiscard]] std::uint32_t Wait() override { return m_exitCode; }

private:
    std::uint32_t m_id;
    std::uint32_t m_exitCode;
};

// The words of a command line: blanks separate them, double quotes hold blanks in and are dropped.
std::vector<std::string> Words(std::string_view commandLine)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
            }
            inWord = false;
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

bool IsRegistryEditor(std::string_view program)
{
    const std::size_t slash = program.rfind('\\');
    const std::string_view name = slash == std::string_view::npos ? program : program.substr(slash + 1);
    return EqualsIgnoreCase(name, "regedit") || EqualsIgnoreCase(name, "regedit.exe");
}

// The editor runs in the system folder, where Win32Processes starts it: a name it is given without
// a drive and a root means a file there, not in this program's current directory.
std::string InEditorFolder(const std::string& file)
{
    const auto isSlash = [](char c) { return c == '\\' || c == '/'; };
    if (file.size() >= 3 && file[1] == ':' && isSlash(file[2])) {
        return file;
    }
    if (!file.empty() && isSlash(file.front())) {
        return "C:" + file;
    }
    return "C:\\WINDOWS\\system32\\" + file;
}

} // namespace

SimProcesses::SimProcesses(SimRegistry& registry, SimFileSystem& files) : m_registry(registry), m_files(files) {}

SimProcesses::~SimProcesses() = default;

void SimProcesses::SetExportFormat(ExportFormat format)
{
    m_reportedFormat = format;
    m_writtenFormat = format;
}

void SimProcesses::SetWrittenFormat(ExportFormat format)
{
    m_writtenFormat = format;
}

std::unique_ptr<StartedProcess> SimProcesses::Start(std::string_view commandLine)
{
    m_commandLines.emplace_back(commandLine);
    const std::string& line = m_commandLines.back();
    if (m_failStarts) {
        return nullptr;
    }
    const auto program = ProgramFor(line);
    if (!program) {
        return nullptr;
    }
    if (m_startHook) {
        m_startHook(line);
    }
    const std::uint32_t exitCode = (*program)();
    return std::make_unique<SimStartedProcess>(m_nextId++, exitCode);
}

std::unique_ptr<StartedProcess> SimProcesses::StartRegistryEditor(std::string_view commandLine)
{
    const std::vector<std::string> words = Words(std::string(commandLine));
    if (words.empty() || !IsRegistryEditor(words[0])) {
        m_commandLines.emplace_back(commandLine);
        return nullptr;
    }
    return Start(commandLine);
}

std::optional<std::function<std::uint32_t()>> SimProcesses::ProgramFor(const std::string& commandLine)
{
    const std::vector<std::string> words = Words(commandLine);
    if (!words.empty() && IsRegistryEditor(words[0])) {
        // The editor ends with exit code 0 whatever became of the export or the import.
        if (words.size() == 4 && EqualsIgnoreCase(words[1], "/e")) {
            return [this, file = words[2], key = words[3]] {
                if (!m_exportHook || !m_exportHook(file, key)) {
                    (void)Export(file, key);
                }
                return 0u;
            };
        }
        // The import asks nobody with /s; the simulated one never asks.
        const bool silent = words.size() == 3 && EqualsIgnoreCase(words[1], "/s");
        if ((words.size() == 2 && !words[1].starts_with('/')) || silent) {
            return [this, file = words.back()] {
                Import(file);
                return 0u;
            };
        }
    }
    if (m_otherProgram) {
        return [this, commandLine] { return m_otherProgram(commandLine); };
    }
    return std::nullopt;
}

bool SimProcesses::Export(const std::string& file, const std::string& key)
{
    // A key that is not there leaves the file as it was, as the real editor does.
    const auto bytes = ExportKey(m_registry, key, m_writtenFormat);
    if (!bytes) {
        return false;
    }
    const auto out = m_files.Create(InEditorFolder(file));
    if (!out) {
        return false;
    }
    const bool written = out->Write(*bytes);
    return out->Close() && written;
}

void SimProcesses::Import(const std::string& file)
{
    const auto bytes = m_files.ReadAll(InEditorFolder(file));
    m_imports.push_back(EditorImport{file, bytes && ImportRegFile(m_registry, *bytes)});
}

} // namespace hivetidy::sim
