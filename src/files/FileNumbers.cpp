#include "files/FileNumbers.h"

#include "shared/Failure.h"
#include "shared/Sha256.h"
#include "shared/Text.h"

#include <utility>

namespace hivetidy {

namespace {

constexpr FileNo kFirstFileNo = 1;
constexpr FileNo kLastFileNo = 255;
constexpr std::string_view kUtf16Bom = "\xFF\xFE";

std::string LineEnd(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf16Le ? std::string("\r\0\n\0", 4) : std::string("\r\n");
}

} // namespace

struct FileNumbers::OpenFile {
    TextEncoding encoding = TextEncoding::Ansi;
    std::unique_ptr<WritableFile> output; // set for a file open for writing
    Sha256 written;                       // of every byte an output file has taken whole
    std::uint64_t writtenLength = 0;      // how many bytes those are
    std::string input;                    // the whole content of a file open for reading
    std::size_t position = 0;             // read position in input
};

FileNumbers::FileNumbers(FileSystem& files, System& system) : m_files(files), m_system(system) {}

FileNumbers::~FileNumbers() = default;

FileNo FileNumbers::FreeFile() const
{
    for (FileNo number = kFirstFileNo; number <= kLastFileNo; ++number) {
        if (!m_open.contains(number)) {
            return number;
        }
    }
    throw Failure("too many files open");
}

void FileNumbers::OpenForOutput(FileNo number, std::string_view path, TextEncoding encoding)
{
    if (IsOpen(number)) {
        throw Failure("file number already in use");
    }
    auto file = std::make_unique<OpenFile>();
    file->encoding = encoding;
    file->output = m_files.Create(path);
    if (!file->output) {
        throw Failure("cannot create " + std::string(path));
    }
    if (encoding == TextEncoding::Utf16Le) {
        if (!file->output->Write(kUtf16Bom)) {
            throw Failure("cannot write " + std::string(path));
        }
        file->written.Update(kUtf16Bom);
        file->writtenLength = kUtf16Bom.size();
    }
    m_open.emplace(number, std::move(file));
}

void FileNumbers::OpenForInput(FileNo number, std::string_view path, TextEncoding encoding)
{
    if (IsOpen(number)) {
        throw Failure("file number already in use");
    }
    auto content = m_files.ReadAll(path);
    if (!content) {
        throw Failure("cannot read " + std::string(path));
    }
    auto file = std::make_unique<OpenFile>();
    file->encoding = encoding;
    file->input = std::move(*content);
    if (encoding == TextEncoding::Utf16Le) {
        // Without its byte-order mark a file is not known to be UTF-16 at all.
        if (!file->input.starts_with(kUtf16Bom)) {
            throw Failure("not a UTF-16 text file: " + std::string(path));
        }
        file->position = kUtf16Bom.size();
    }
    m_open.emplace(number, std::move(file));
}

FileNumbers::OpenFile& FileNumbers::Get(FileNo number)
{
    const auto found = m_open.find(number);
    if (found == m_open.end()) {
        throw Failure("bad file number");
    }
    return *found->second;
}

void FileNumbers::PrintLine(FileNo number, std::string_view text)
{
    OpenFile& file = Get(number);
    const std::string encoded =
        file.encoding == TextEncoding::Utf16Le ? Utf16ToLeBytes(Utf8ToUtf16(text)) : m_system.ToAnsi(text);
    PrintEncodedLine(number, encoded);
}

void FileNumbers::PrintEncodedLine(FileNo number, std::string_view encodedLine)
{
    OpenFile& file = Get(number);
    if (!file.output) {
        throw Failure("file not open for writing");
    }
    // One write for the line and its end, so that a line never stands in the file without its end.
    std::string line(encodedLine);
    line += LineEnd(file.encoding);
    // Only what the file took enters the digest: a line that fails may stand in it in part, but
    // what stands before it is still vouched for, and nothing more is written to a file that broke.
    if (!file.output->Write(line)) {
        throw Failure("cannot write");
    }
    file.written.Update(line);
    file.writtenLength += line.size();
}

std::string FileNumbers::LineInput(FileNo number)
{
    OpenFile& file = Get(number);
    if (file.output || file.position >= file.input.size()) {
        throw Failure("input past end of file");
    }
    const std::string& in = file.input;
    const std::size_t unit = file.encoding == TextEncoding::Utf16Le ? 2 : 1;
    const auto isUnit = [&](std::size_t at, char c) {
        return at + unit <= in.size() && in[at] == c && (unit == 1 || in[at + 1] == '\0');
    };
    const std::size_t start = file.position;
    std::size_t at = start;
    while (at + unit <= in.size() && !isUnit(at, '\r') && !isUnit(at, '\n')) {
        at += unit;
    }
    std::string line = in.substr(start, at - start);
    if (isUnit(at, '\r')) {
        at += unit;
    }
    if (isUnit(at, '\n')) {
        at += unit;
    }
    // An odd trailing byte of a UTF-16 file cannot form a character: it ends the file.
    file.position = at + unit <= in.size() ? at : in.size();
    return line;
}

bool FileNumbers::Eof(FileNo number)
{
    OpenFile& file = Get(number);
    if (file.output) {
        throw Failure("file not open for reading");
    }
    const std::size_t unit = file.encoding == TextEncoding::Utf16Le ? 2 : 1;
    return file.position + unit > file.input.size();
}

std::string FileNumbers::Decode(FileNo number, std::string_view encodedLine)
{
    return Get(number).encoding == TextEncoding::Utf16Le ? Utf16ToUtf8(LeBytesToUtf16(encodedLine))
                                                         : m_system.FromAnsi(encodedLine);
}

void FileNumbers::Flush(FileNo number)
{
    OpenFile& file = Get(number);
    if (!file.output || !file.output->Flush()) {
        throw Failure("cannot flush");
    }
}

void FileNumbers::Close(FileNo number)
{
    const auto found = m_open.find(number);
    if (found == m_open.end()) {
        throw Failure("bad file number");
    }
    std::unique_ptr<OpenFile> file = std::move(found->second);
    m_open.erase(found);
    if (file->output && !file->output->Close()) {
        throw Failure("cannot close");
    }
}

void FileNumbers::CloseAll() noexcept
{
    for (auto& [number, file] : m_open) {
        if (file->output) {
            (void)file->output->Close();
        }
    }
    m_open.clear();
}

std::unique_ptr<HeldFile> FileNumbers::CloseIntoHold(FileNo number)
{
    const auto found = m_open.find(number);
    if (found == m_open.end() || !found->second->output) {
        throw Failure("file not open for writing");
    }
    std::unique_ptr<OpenFile> file = std::move(found->second);
    m_open.erase(found);
    auto held = file->output->CloseIntoHold();
    if (!held) {
        throw Failure("cannot hold the file");
    }
    return held;
}

std::string FileNumbers::WrittenDigest(FileNo number)
{
    OpenFile& file = Get(number);
    if (!file.output) {
        throw Failure("file not open for writing");
    }
    return file.written.HexDigest();
}

std::uint64_t FileNumbers::WrittenLength(FileNo number)
{
    OpenFile& file = Get(number);
    if (!file.output) {
        throw Failure("file not open for writing");
    }
    return file.writtenLength;
}

bool FileNumbers::IsOpen(FileNo number) const
{
    return m_open.contains(number);
}

} // namespace hivetidy
