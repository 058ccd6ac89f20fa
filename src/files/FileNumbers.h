#pragma once
// Text files known by small file numbers, each taken as the next free number when a file is opened.

#include "platform/FileSystem.h"
#include "platform/System.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace hivetidy {

// How a text file's characters are stored.
enum class TextEncoding {
    Ansi,    // the system's ANSI code page, one byte a character
    Utf16Le, // UTF-16 little endian; a file created for writing starts with the byte-order mark
};

using FileNo = std::int16_t;

class FileNumbers {
public:
    FileNumbers(FileSystem& files, System& system);
    ~FileNumbers();

    FileNumbers(const FileNumbers&) = delete;
    FileNumbers& operator=(const FileNumbers&) = delete;

    // The lowest file number not in use.
    [[nodiscard]] FileNo FreeFile() const;

    // Creates the file anew (an existing one is emptied) for writing. Throws Failure.
    void OpenForOutput(FileNo number, std::string_view path, TextEncoding encoding);
    // Opens an existing file for reading; a UTF-16 file must start with its byte-order mark. Throws Failure.
    void OpenForInput(FileNo number, std::string_view path, TextEncoding encoding);

    // Writes the text (UTF-8) and CR LF in the file's encoding. Throws Failure.
    void PrintLine(FileNo number, std::string_view text);
    // Writes a line already in the file's encoding, as read by LineInput, and CR LF. Throws Failure.
    void PrintEncodedLine(FileNo number, std::string_view encodedLine);
    // Reads the next line, without its line end (CR LF, LF or CR), still in the file's encoding.
    // Throws Failure past the end.
    [[nodiscard]] std::string LineInput(FileNo number);
    // True when an input file has no line left. Throws Failure for a number not open for input.
    [[nodiscard]] bool Eof(FileNo number);
    // The UTF-8 text of a line read from or written to this file.
    [[nodiscard]] std::string Decode(FileNo number, std::string_view encodedLine);

    // Pushes an output file's content to the disk itself. Throws Failure.
    void Flush(FileNo number);
    // Closes one file (flushed). Throws Failure for a number not in use, or when the close fails.
    void Close(FileNo number);
    // Closes every open file, with what was written to it; never fails.
    void CloseAll() noexcept;
    // Ends the writing of an output file while it stays held (WritableFile::CloseIntoHold); the
    // number is free afterwards. Throws Failure when the file cannot be held.
    [[nodiscard]] std::unique_ptr<HeldFile> CloseIntoHold(FileNo number);
    // The SHA-256 digest of the bytes an output file has taken so far, the first of them on: a line
    // whose write failed is not among them. Throws Failure.
    [[nodiscard]] std::string WrittenDigest(FileNo number);
    // How many bytes those are. Throws Failure.
    [[nodiscard]] std::uint64_t WrittenLength(FileNo number);

    [[nodiscard]] bool IsOpen(FileNo number) const;

private:
    struct OpenFile;

    OpenFile& Get(FileNo number);

    FileSystem& m_files;
    System& m_system;
    std::map<FileNo, std::unique_ptr<OpenFile>> m_open;
};

} // namespace hivetidy
