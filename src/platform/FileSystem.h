#pragma once
// The file system as the program sees it. Paths are UTF-8 Windows paths ("C:\REGISTRY\hlp.reg");
// names compare ignoring letter case, as on Windows. File contents are bytes: the core encodes
// text itself (ANSI code page or UTF-16LE) before it writes.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace hivetidy {

// A file open for writing. Every call reports whether it succeeded.
class WritableFile {
public:
    virtual ~WritableFile() = default;

    [[nodiscard]] virtual bool Write(std::string_view bytes) = 0;
    // Pushes everything written so far to the disk itself (FlushFileBuffers on Windows).
    [[nodiscard]] virtual bool Flush() = 0;
    // Flushes and closes; further writes fail.
    [[nodiscard]] virtual bool Close() = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The process's current directory, without a trailing backslash except at a drive root ("C:\").
    [[nodiscard]] virtual std::string CurrentDirectory() = 0;
    [[nodiscard]] virtual bool SetCurrentDirectory(std::string_view path) = 0;
    [[nodiscard]] virtual bool CreateDirectory(std::string_view path) = 0;
    // Given a full name, the long name (last component only) of the first file or directory that
    // matches it, directories included; "" when there is none. A short alias finds its folder.
    [[nodiscard]] virtual std::string FindFirst(std::string_view fullName) = 0;
    // The system's own short (8.3) spelling of an existing path, as a full path (the long one where
    // a component has no alias); nullopt when the path does not exist.
    [[nodiscard]] virtual std::optional<std::string> ShortPathOf(std::string_view path) = 0;
    // Creates the file anew (an existing one is emptied) for writing; nullptr when it cannot.
    [[nodiscard]] virtual std::unique_ptr<WritableFile> Create(std::string_view path) = 0;
    // The whole content of an existing file; nullopt when it is not there or cannot be read.
    [[nodiscard]] virtual std::optional<std::string> ReadAll(std::string_view path) = 0;
    [[nodiscard]] virtual bool Delete(std::string_view path) = 0;
};

} // namespace hivetidy
