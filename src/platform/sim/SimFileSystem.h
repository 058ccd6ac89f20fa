#pragma once
// The in-memory file system: drives with directories and files, names that compare ignoring
// letter case and keep their case, optional 8.3 aliases, and what a power loss would leave.
//
// Paths may be absolute ("C:\REGISTRY\hlp.reg"), drive-relative ("\x") or relative to the current
// directory; '/' works as '\', and empty, "." and ".." components are resolved as Win32 does.

#include "platform/FileSystem.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hivetidy::sim {

class SimFileSystem final : public FileSystem {
public:
    // Drive C: alone, empty, and current.
    SimFileSystem();
    ~SimFileSystem() override;

    SimFileSystem(const SimFileSystem&) = delete;
    SimFileSystem& operator=(const SimFileSystem&) = delete;

    // FileSystem, as Win32 behaves: a file open for writing can be neither deleted nor created
    // anew, and a path may name a directory by its alias anywhere.
    [[nodiscard]] std::string CurrentDirectory() override;
    [[nodiscard]] bool SetCurrentDirectory(std::string_view path) override;
    [[nodiscard]] bool CreateDirectory(std::string_view path) override;
    [[nodiscard]] std::string FindFirst(std::string_view fullName) override;
    [[nodiscard]] std::optional<std::string> ShortPathOf(std::string_view path) override;
    [[nodiscard]] std::unique_ptr<WritableFile> Create(std::string_view path) override;
    [[nodiscard]] std::optional<std::string> ReadAll(std::string_view path) override;
    [[nodiscard]] bool Delete(std::string_view path) override;

    // Creates the directory and every missing one above it (a new drive too: "D:\"); the alias
    // ("PROGRA~1") is the last component's. Throws std::invalid_argument when a name is taken.
    void AddDirectory(std::string_view path, std::optional<std::string> shortAlias);
    // A file that was on the disk already (written and flushed); missing directories are created.
    void WriteFile(std::string_view path, std::string_view bytes);

    [[nodiscard]] bool Exists(std::string_view path) const;
    [[nodiscard]] bool IsDirectory(std::string_view path) const;
    // True while the file is open for writing.
    [[nodiscard]] bool IsOpen(std::string_view path) const;
    // What a reader sees now; nullopt when there is no such file.
    [[nodiscard]] std::optional<std::string> Contents(std::string_view path) const;
    // What would survive a power loss now: the content at the last flush or close.
    [[nodiscard]] std::optional<std::string> DurableContents(std::string_view path) const;
    // The full long path of every file, drive by drive, in directory order.
    [[nodiscard]] std::vector<std::string> ListFiles() const;

    // From now on creating this file fails; "" for none.
    void FailCreate(std::string_view path);
    // From now on writing to this file fails, also through a file opened before; "" for none.
    void FailWritesTo(std::string_view path);
    // From now on creating this directory fails; "" for none.
    void FailDirectoryCreation(std::string_view path);

private:
    struct Node;     // a drive, directory or file
    struct Path;     // a path made absolute, in the spelling it was given
    class OpenFile;  // a WritableFile on a node

    // The path made absolute against the current directory; nullopt for a path of no drive.
    [[nodiscard]] std::optional<Path> Normalise(std::string_view path) const;
    // The node a path names (by long names or aliases); nullptr when it is not there.
    [[nodiscard]] std::shared_ptr<Node> Resolve(const Path& path) const;
    [[nodiscard]] std::shared_ptr<Node> Resolve(std::string_view path) const;
    [[nodiscard]] std::shared_ptr<Node> ResolveFile(std::string_view path) const;
    // The upper-case long path under which a fault is kept, for a path that may not exist yet.
    [[nodiscard]] std::string FaultKey(std::string_view path) const;
    // Makes a new entry in a directory.
    std::shared_ptr<Node> AddChild(Node& parent, std::string_view name, bool isDirectory);

    std::map<std::string, std::shared_ptr<Node>> m_drives; // by upper-case drive ("C:")
    std::string m_currentDrive;                             // as it was set ("c:" stays "c:")
    std::vector<std::string> m_currentParts;                // as they were set, aliases included
    std::string m_failCreate;                               // fault keys; "" for none
    std::string m_failWrites;
    std::string m_failDirectoryCreation;
};

} // namespace hivetidy::sim
