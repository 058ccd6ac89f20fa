#pragma once
// Starting programs on the simulated machine: the registry editor, as the program calls it, and
// whatever else a test provides.
//
// The editor understands these command lines: `regedit /e <file> "<key>"` exports the key with
// everything below it into the file, and `regedit.exe "<file>"` or `regedit.exe /s "<file>"`
// imports the file. Blanks may run between the words; a path may be quoted or not.

#include "platform/Processes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hivetidy::sim {

class SimFileSystem;
class SimRegistry;

// One import the editor made.
struct EditorImport {
    std::string file;
    bool succeeded = false; // the file was there, was a registry file, and every entry was taken
};

class SimProcesses final : public Processes {
public:
    // Returns true when the hook has done the export itself; false lets the ordinary export run.
    using ExportHook = std::function<bool(const std::string& file, const std::string& key)>;
    // Runs as a process starts, before the program does anything.
    using StartHook = std::function<void(const std::string& commandLine)>;
    // Runs any other command line as a program that starts; its result is the exit code.
    using OtherProgram = std::function<std::uint32_t(const std::string& commandLine)>;

    // The editor works on this registry and reads and writes files in this file system.
    SimProcesses(SimRegistry& registry, SimFileSystem& files);
    ~SimProcesses() override;

    // Runs the program to its end at once; nullptr when it cannot start. Ids count up from 100.
    [[nodiscard]] std::unique_ptr<StartedProcess> Start(std::string_view commandLine) override;
    // The editor's own command lines only: anything else starts nothing.
    [[nodiscard]] std::unique_ptr<StartedProcess> StartRegistryEditor(std::string_view commandLine) override;
    [[nodiscard]] ExportFormat RegistryEditorFormat() const override { return m_reportedFormat; }

    // The format the editor reports and writes (Version5 unless set).
    void SetExportFormat(ExportFormat format);
    // The format the editor writes from now on, whatever it reports: an editor that surprises.
    void SetWrittenFormat(ExportFormat format);
    // The editor's ordinary export: writes the key's export into the file; false, and no file
    // touched, when the key is not there.
    bool Export(const std::string& file, const std::string& key);

    // While set, every start fails.
    void FailStarts(bool fail) { m_failStarts = fail; }
    // Runs for every export the editor is asked for; nullptr for none.
    void SetExportHook(ExportHook hook) { m_exportHook = std::move(hook); }
    // Runs for every start that succeeds; nullptr for none.
    void SetStartHook(StartHook hook) { m_startHook = std::move(hook); }
    // Without one, any command line but the editor's two fails to start.
    void SetOtherProgram(OtherProgram program) { m_otherProgram = std::move(program); }

    // Every command line given to Start or StartRegistryEditor, in order, whether it started or not.
    [[nodiscard]] const std::vector<std::string>& CommandLines() const { return m_commandLines; }
    // Every import the editor made, in order.
    [[nodiscard]] const std::vector<EditorImport>& Imports() const { return m_imports; }

private:
    // What to run for a command line; nullopt when nothing can start from it.
    [[nodiscard]] std::optional<std::function<std::uint32_t()>> ProgramFor(const std::string& commandLine);
    // The editor's import of a file, noted in Imports().
    void Import(const std::string& file);

    SimRegistry& m_registry;
    SimFileSystem& m_files;
    ExportFormat m_reportedFormat = ExportFormat::Version5;
    ExportFormat m_writtenFormat = ExportFormat::Version5;
    bool m_failStarts = false;
    ExportHook m_exportHook;
    StartHook m_startHook;
    OtherProgram m_otherProgram;
    std::uint32_t m_nextId = 100;
    std::vector<std::string> m_commandLines;
    std::vector<EditorImport> m_imports;
};

} // namespace hivetidy::sim
