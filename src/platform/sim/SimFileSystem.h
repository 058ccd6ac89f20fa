#pragma once
// The in-memory file system: drives with directories and files, names that compare ignoring
// letter case and keep their case, optional 8.3 aliases, and what a power loss would leave.
//
// Paths may be absolute ("C:\REGISTRY\hlp.reg"), relative to the current drive's root ("\x"), to
// a drive's current folder ("D:x") or to the current directory; '/' works as '\', and empty, "."
// and ".." components and the last name's trailing dots and blanks are resolved as Win32 does.

#include "platform/FileSystem.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hivetidy::sim {

// What a handle may do with a file, and what it lets other handles do at the same time: the
// desired access and the share mode of CreateFileW. A file opens only where both fit every handle
// already open on it.
enum class FileUse : unsigned { None = 0, Read = 1, Write = 2, Delete = 4 };

[[nodiscard]] constexpr FileUse operator|(FileUse left, FileUse right)
{
    return static_cast<FileUse>(static_cast<unsigned>(left) | static_cast<unsigned>(right));
}

class SimFileSystem final : public FileSystem {
public:
    // Drive C: alone, empty, and current.
    SimFileSystem();
    ~SimFileSystem() override;

    SimFileSystem(const SimFileSystem&) = delete;
    SimFileSystem& operator=(const SimFileSystem&) = delete;

    // FileSystem, as Win32 behaves: every handle has its access and share mode, which later
    // openings must fit (Create writes sharing reading, ReadAll and HoldForReading read sharing
    // reading, Delete deletes sharing everything), so a file open for writing can be neither
    // deleted nor created anew; links are followed wherever Win32 follows them; and a path may
    // name a directory by its alias anywhere. A deleted file loses its name at once, even while
    // handles that share deletion keep it open, as on Windows 10.
    [[nodiscard]] std::string CurrentDirectory() override;
    [[nodiscard]] bool SetCurrentDirectory(std::string_view path) override;
    [[nodiscard]] bool CreateDirectory(std::string_view path) override;
    [[nodiscard]] bool CreateProtectedDirectory(std::string_view path) override;
    [[nodiscard]] bool IsRealFolder(std::string_view path) override;
    [[nodiscard]] std::string FindFirst(std::string_view fullName) override;
    [[nodiscard]] std::optional<std::string> ShortPathOf(std::string_view path) override;
    [[nodiscard]] std::optional<std::string> FullPathOf(std::string_view path) override;
    [[nodiscard]] std::unique_ptr<WritableFile> Create(std::string_view path) override;
    [[nodiscard]] std::optional<std::string> ReadAll(std::string_view path) override;
    [[nodiscard]] std::unique_ptr<HeldFile> HoldForReading(std::string_view path) override;
    [[nodiscard]] bool Delete(std::string_view path) override;

    // Creates the directory and every missing one above it (a new drive too: "D:\"); the alias
    // ("PROGRA~1") is the last component's. Throws std::invalid_argument when a name is taken.
    void AddDirectory(std::string_view path, std::optional<std::string> shortAlias);
    // The current folder of a drive other than the current one, as the environment of a process
    // started from cmd names it ("=D:=D:\\Stick"), for drive-relative paths ("D:x"). Throws when it
    // is not an existing folder.
    void SetDriveFolder(std::string_view path);
    // A file that was on the disk already (written and flushed); missing directories are created.
    // A link in its place is written through. Throws where a handle on the file does not share
    // writing (the program holds it, or has it open for writing).
    void WriteFile(std::string_view path, std::string_view bytes);
    // A junction or symbolic link at path that leads to the existing folder or file target (a
    // relative target is taken from the current directory now). Everything but IsRealFolder,
    // ReadAll, HoldForReading and Delete goes through it to its target, as on Windows; Delete
    // removes a link to a file, not its target, and fails on a link to a folder. Missing
    // directories are created; throws when the name is taken or the target is missing.
    void AddLink(std::string_view path, std::string_view target);
    // A second name of an existing plain file on the same drive (a hard link); missing directories
    // are created. Throws when the name is taken.
    void AddHardLink(std::string_view existing, std::string_view newPath);
    // Another process opens the file (through links) with this access and sharing and keeps it
    // open. Throws when there is no such file or a handle open on it does not fit.
    void OpenInOtherProcess(std::string_view path, FileUse access, FileUse sharing);
    // Every handle that other processes have open on the file is closed.
    void CloseInOtherProcess(std::string_view path);

    [[nodiscard]] bool Exists(std::string_view path) const;
    [[nodiscard]] bool IsDirectory(std::string_view path) const;
    // True while the file is open for writing.
    [[nodiscard]] bool IsOpen(std::string_view path) const;
    // Whether a new handle with this access and sharing would open the existing file now (through
    // links); false when there is no such file.
    [[nodiscard]] bool CanOpen(std::string_view path, FileUse access, FileUse sharing) const;
    // True while the program holds the file through HoldForReading.
    [[nodiscard]] bool IsHeld(std::string_view path) const;
    // True for a folder made by CreateProtectedDirectory, and for what was made in it since.
    [[nodiscard]] bool IsProtected(std::string_view path) const;
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
    struct Node;        // a drive, directory, file or link: one name in a directory
    struct FileData;    // what a file is apart from its names: content and open handles
    struct Path;        // a path made absolute, in the spelling it was given
    class Opening;      // one open handle on a file
    class OpenFile;     // a WritableFile on a node
    class SimHeldFile;  // a HeldFile on a node

    // The path made absolute against the current directory; nullopt for a path of no drive.
    [[nodiscard]] std::optional<Path> Normalise(std::string_view path) const;
    // The node a path names (by long names or aliases), through links; nullptr when it is not
    // there. hops counts the links followed so far, against a link that leads to itself.
    [[nodiscard]] std::shared_ptr<Node> Resolve(const Path& path, int hops = 0) const;
    [[nodiscard]] std::shared_ptr<Node> Resolve(std::string_view path) const;
    [[nodiscard]] std::shared_ptr<Node> ResolveFile(std::string_view path) const;
    // What a link leads to, through further links; any other node itself; nullptr for nothing.
    [[nodiscard]] std::shared_ptr<Node> Follow(std::shared_ptr<Node> node, int hops = 0) const;
    // The entry a path names in its directory, a link itself rather than its target.
    [[nodiscard]] std::shared_ptr<Node> Entry(const Path& path) const;
    // The entry of a plain file with one name, as ReadAll accepts it; nullptr for anything else.
    [[nodiscard]] std::shared_ptr<Node> PlainFile(std::string_view path) const;
    [[nodiscard]] bool MakeDirectory(std::string_view path, bool isProtected);
    // The upper-case long path under which a fault is kept, for a path that may not exist yet.
    [[nodiscard]] std::string FaultKey(std::string_view path) const;
    // Makes a new entry in a directory.
    std::shared_ptr<Node> AddChild(Node& parent, std::string_view name, bool isDirectory);

    std::map<std::string, std::shared_ptr<Node>> m_drives; // by upper-case drive ("C:")
    std::string m_currentDrive;                             // as it was set ("c:" stays "c:")
    std::vector<std::string> m_currentParts;                // as they were set, aliases included
    std::map<std::string, std::vector<std::string>> m_driveFolders; // other drives' current folders
    std::string m_failCreate;                               // fault keys; "" for none
    std::string m_failWrites;
    std::string m_failDirectoryCreation;
};

} // namespace hivetidy::sim
