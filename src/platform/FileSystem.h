#pragma once
// The file system as the program sees it. Paths are UTF-8 Windows paths ("C:\REGISTRY\hlp.reg");
// names compare ignoring letter case, as on Windows. File contents are bytes: the core encodes
// text itself (ANSI code page or UTF-16LE) before it writes.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace hivetidy {

class HeldFile;

// A file open for writing. Every call reports whether it succeeded.
class WritableFile {
public:
    virtual ~WritableFile() = default;

    [[nodiscard]] virtual bool Write(std::string_view bytes) = 0;
    // Pushes everything written so far to the disk itself (FlushFileBuffers on Windows).
    [[nodiscard]] virtual bool Flush() = 0;
    // Flushes and closes; further writes fail.
    [[nodiscard]] virtual bool Close() = 0;
    // Flushes and ends the writing, while the file stays held as HoldForReading holds it: it is
    // taken over through this very handle, never looked up by its name again, so there is no
    // moment at which it is let go and another file could take its place. nullptr when the file
    // cannot be held so (someone else has it open for writing); it is closed then all the same.
    [[nodiscard]] virtual std::unique_ptr<HeldFile> CloseIntoHold() = 0;
};

// A file kept open for reading: while this object lives nobody can write to the file, empty it,
// replace, rename or delete it; others can still read it (the registry editor importing it).
class HeldFile {
public:
    virtual ~HeldFile() = default;

    // The whole content, read from its start through the held handle; nullopt when it cannot be read.
    [[nodiscard]] virtual std::optional<std::string> Contents() = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The process's current directory, without a trailing backslash except at a drive root ("C:\").
    [[nodiscard]] virtual std::string CurrentDirectory() = 0;
    [[nodiscard]] virtual bool SetCurrentDirectory(std::string_view path) = 0;
    // A new folder with the access list its parent passes on; false when the name exists already
    // or it cannot be made.
    [[nodiscard]] virtual bool CreateDirectory(std::string_view path) = 0;
    // A new folder that only Administrators and SYSTEM can change: they have full control, Users
    // may read and run what is in it, and nothing comes from the parent's access list; files and
    // folders made in it get the same. False when the name exists already (also as a folder a
    // standard user made before, whose access list would be theirs) or it cannot be made.
    [[nodiscard]] virtual bool CreateProtectedDirectory(std::string_view path) = 0;
    // True only for an existing folder reached through real folders alone: neither it nor any
    // folder above it is a reparse point (junction, symbolic link, mount point), which could lead
    // somewhere else than its name says. False for a missing path, a file, or a path on no drive.
    [[nodiscard]] virtual bool IsRealFolder(std::string_view path) = 0;
    // Given a full name, the long name (last component only) of the first file or directory that
    // matches it, directories included; "" when there is none. A short alias finds its folder.
    [[nodiscard]] virtual std::string FindFirst(std::string_view fullName) = 0;
    // The system's own short (8.3) spelling of an existing path, as a full path (the long one where
    // a component has no alias); nullopt when the path does not exist.
    [[nodiscard]] virtual std::optional<std::string> ShortPathOf(std::string_view path) = 0;
    // The one full path a name stands for, as Windows resolves it when the file is opened: against
    // the current directory (a drive-relative "C:x" against that drive's current folder, "C:\x"
    // against its root), '/' read as '\', "." and ".." resolved, the trailing dots and blanks of
    // the last name dropped; the drive letter upper case, and every component that exists spelled
    // by its long name in the case it has on the disk, so that an alias or another letter case
    // names the same file in the same words. What does not exist yet stays as written. A share's
    // path ("\\\\server\\share\\x.reg") is resolved below the share as a drive's below its root.
    // nullopt for a device ("\\\\.\\COM1"), a share without a file, or a path Windows cannot
    // resolve.
    [[nodiscard]] virtual std::optional<std::string> FullPathOf(std::string_view path) = 0;
    // Creates the file anew for writing; nullptr when it cannot. A file of that name is deleted
    // first (a link or a second name itself, never what it leads to) and the new one is made only
    // where the name is then free, so nothing is ever written through a name someone planted.
    [[nodiscard]] virtual std::unique_ptr<WritableFile> Create(std::string_view path) = 0;
    // The whole content of an existing file, read through one handle that shares reading only, so
    // that nobody writes, replaces or deletes the file while it is read. Nothing (nullopt) when the
    // file is not there or cannot be opened so (someone has it open for writing or deleting, or
    // denies reading), or when it is not a plain file of its own: a folder, a reparse point (a
    // symbolic link put in its place, which is not followed), or a file with a second name (a
    // hard link, through which whoever made it could change what is read). Folders on the way
    // are followed; IsRealFolder vouches for them.
    [[nodiscard]] virtual std::optional<std::string> ReadAll(std::string_view path) = 0;
    // Opens an existing file as ReadAll does and keeps it open, sharing reading only, while the
    // returned object lives; nullptr where ReadAll would give nothing.
    [[nodiscard]] virtual std::unique_ptr<HeldFile> HoldForReading(std::string_view path) = 0;
    // True when the file is gone and its name free; false when it is still there (a folder, a
    // read-only file, one that someone keeps open without sharing deletion, or one deleted but
    // waiting for the last handle on it to close) and also when there was no such file. A
    // symbolic link is deleted itself, not what it leads to.
    [[nodiscard]] virtual bool Delete(std::string_view path) = 0;
};

} // namespace hivetidy
