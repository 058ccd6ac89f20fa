#include "platform/sim/SimFileSystem.h"

#include "shared/Text.h"

#include <algorithm>
#include <cctype>
#include <list>
#include <stdexcept>
#include <utility>

namespace hivetidy::sim {

namespace {

bool HasWildcard(std::string_view name)
{
    return name.find_first_of("*?") != std::string_view::npos;
}

// Case-insensitive match with '*' (any run) and '?' (one character); "*.*" matches every name,
// also those without a dot, as FindFirstFile has it.
bool Matches(std::string_view pattern, std::string_view name)
{
    const std::u16string p = Utf8ToUtf16(pattern == "*.*" ? "*" : ToUpperText(pattern));
    const std::u16string n = Utf8ToUtf16(ToUpperText(name));
    std::size_t pi = 0;
    std::size_t ni = 0;
    std::size_t starAt = std::u16string::npos;
    std::size_t starMatched = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == u'?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == u'*') {
            starAt = pi++;
            starMatched = ni;
        } else if (starAt != std::u16string::npos) {
            pi = starAt + 1;
            ni = ++starMatched;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == u'*') {
        ++pi;
    }
    return pi == p.size();
}

// True when nothing of wanted lies outside allowed.
bool Fits(FileUse wanted, FileUse allowed)
{
    return (static_cast<unsigned>(wanted) & ~static_cast<unsigned>(allowed)) == 0;
}

constexpr FileUse kShareAll = FileUse::Read | FileUse::Write | FileUse::Delete;

// Windows gives up after 63 reparse points on one path.
constexpr int kMaxLinkHops = 63;

} // namespace

struct SimFileSystem::FileData {
    // Who opened a handle: the program writing or holding the file, or another process.
    enum class Opener { Writer, Holder, OtherProcess };
    struct Handle {
        FileUse access;
        FileUse sharing;
        Opener opener;
    };

    std::string contents;
    std::string durable;
    int names = 1; // more than one for a file with hard links
    std::list<Handle> handles;

    // Whether a new handle fits every open one: it wants only what they share, and they do only
    // what it shares (the check Windows makes in IoCheckShareAccess).
    [[nodiscard]] bool CanOpen(FileUse access, FileUse sharing) const
    {
        return std::ranges::all_of(
            handles, [&](const Handle& open) { return Fits(access, open.sharing) && Fits(open.access, sharing); });
    }

    [[nodiscard]] bool IsOpenBy(Opener opener) const
    {
        return std::ranges::any_of(handles, [&](const Handle& open) { return open.opener == opener; });
    }
};

struct SimFileSystem::Node {
    std::string name; // the long name
    std::optional<std::string> alias;
    std::string longPath; // full, with the case of every name
    bool isDirectory = false; // also for a link to a directory
    bool isProtected = false;
    std::optional<std::string> linkTarget; // the absolute path a link leads to
    // Keyed by the upper-case long name, which is the order a directory lists its entries in.
    std::map<std::string, std::shared_ptr<Node>> children;
    std::shared_ptr<FileData> file; // a plain file's data, shared by its hard links

    // A child by its long name or its alias.
    std::shared_ptr<Node> Child(std::string_view childName) const
    {
        if (HasWildcard(childName)) {
            return nullptr;
        }
        if (const auto found = children.find(ToUpperText(childName)); found != children.end()) {
            return found->second;
        }
        for (const auto& [upper, child] : children) {
            if (child->alias && EqualsIgnoreCase(*child->alias, childName)) {
                return child;
            }
        }
        return nullptr;
    }

    std::string Key() const { return ToUpperText(longPath); }
};

struct SimFileSystem::Path {
    std::string drive; // "C:", as written
    std::vector<std::string> parts;
    bool endsWithSeparator = false; // "C:\Service\": a folder, named with no file in it

    [[nodiscard]] std::string Text() const
    {
        std::string text = drive + "\\";
        for (std::size_t i = 0; i < parts.size(); ++i) {
            text += (i == 0 ? "" : "\\") + parts[i];
        }
        return text;
    }

    [[nodiscard]] Path Parent() const
    {
        Path parent = *this;
        parent.parts.pop_back();
        return parent;
    }
};

class SimFileSystem::Opening {
public:
    Opening(std::shared_ptr<FileData> file, FileData::Handle handle)
        : m_file(std::move(file)), m_handle(m_file->handles.insert(m_file->handles.end(), handle))
    {
    }

    ~Opening() { Close(); }

    Opening(const Opening&) = delete;
    Opening& operator=(const Opening&) = delete;

    [[nodiscard]] bool IsOpen() const { return m_file != nullptr; }
    [[nodiscard]] FileData& File() const { return *m_file; }

    void Close()
    {
        if (m_file) {
            m_file->handles.erase(m_handle);
            m_file.reset();
        }
    }

private:
    std::shared_ptr<FileData> m_file;
    std::list<FileData::Handle>::iterator m_handle;
};

class SimFileSystem::SimHeldFile final : public HeldFile {
public:
    explicit SimHeldFile(std::shared_ptr<FileData> file)
        : m_opening(std::move(file), {FileUse::Read, FileUse::Read, FileData::Opener::Holder})
    {
    }

    std::optional<std::string> Contents() override { return m_opening.File().contents; }

private:
    Opening m_opening;
};

// A file open for writing. Windows keeps written bytes in its cache until a flush or close puts
// them on the disk; a handle that the ending process leaves open is closed without a flush.
class SimFileSystem::OpenFile final : public WritableFile {
public:
    OpenFile(SimFileSystem& files, std::shared_ptr<Node> node)
        : m_files(files), m_node(std::move(node)),
          m_opening(m_node->file, {FileUse::Write, FileUse::Read, FileData::Opener::Writer})
    {
    }

    bool Write(std::string_view bytes) override
    {
        if (!m_opening.IsOpen() || (!m_files.m_failWrites.empty() && m_files.m_failWrites == m_node->Key())) {
            return false;
        }
        m_opening.File().contents += bytes;
        return true;
    }

    bool Flush() override
    {
        if (!m_opening.IsOpen()) {
            return false;
        }
        m_opening.File().durable = m_opening.File().contents;
        return true;
    }

    bool Close() override
    {
        if (!Flush()) {
            return false;
        }
        m_opening.Close();
        return true;
    }

    // As on Windows: a first reader that still shares writing with this writer, then, the writer
    // closed, the holder, which opens only where nobody else has the file open for writing.
    std::unique_ptr<HeldFile> CloseIntoHold() override
    {
        if (!Flush()) {
            return nullptr;
        }
        const Opening reader(m_node->file, {FileUse::Read, FileUse::Read | FileUse::Write, FileData::Opener::Holder});
        m_opening.Close();
        if (!m_node->file->CanOpen(FileUse::Read, FileUse::Read)) {
            return nullptr;
        }
        return std::make_unique<SimHeldFile>(m_node->file);
    }

private:
    SimFileSystem& m_files;
    std::shared_ptr<Node> m_node;
    Opening m_opening;
};


SimFileSystem::SimFileSystem() : m_currentDrive("C:")
{
    AddDirectory("C:\\", std::nullopt);
}

SimFileSystem::~SimFileSystem() = default;

std::optional<SimFileSystem::Path> SimFileSystem::Normalise(std::string_view path) const
{
    std::string text(path);
    std::replace(text.begin(), text.end(), '/', '\\');
    if (text.empty() || text.starts_with("\\\\")) {
        return std::nullopt; // no UNC paths on this machine
    }
    Path result;
    std::string_view rest = text;
    const bool hasDrive = text.size() >= 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]));
    if (hasDrive) {
        result.drive = text.substr(0, 2);
        rest.remove_prefix(2);
    } else {
        result.drive = m_currentDrive;
    }
    // "C:x" goes from drive C:'s current folder: the process's own where C: is its drive, else
    // the one its environment names for C: (cmd's "=C:" variable), else C:'s root.
    if (!rest.starts_with('\\')) {
        if (EqualsIgnoreCase(result.drive, m_currentDrive)) {
            result.parts = m_currentParts;
        } else if (const auto folder = m_driveFolders.find(ToUpperText(result.drive)); folder != m_driveFolders.end()) {
            result.parts = folder->second;
        }
    }
    result.endsWithSeparator = rest.ends_with('\\');
    while (!rest.empty()) {
        const std::size_t slash = rest.find('\\');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash + 1);
        if (part == "..") {
            if (!result.parts.empty()) {
                result.parts.pop_back();
            }
            continue;
        }
        if (part == ".") {
            continue;
        }
        // Windows drops the trailing dots and blanks of the last name: "PC-07.reg. " is "PC-07.reg".
        if (slash == std::string_view::npos) {
            while (!part.empty() && (part.back() == '.' || part.back() == ' ')) {
                part.remove_suffix(1);
            }
            result.endsWithSeparator = result.endsWithSeparator || part.empty();
        }
        if (!part.empty()) {
            result.parts.emplace_back(part);
        }
    }
    return result;
}

std::shared_ptr<SimFileSystem::Node> SimFileSystem::Resolve(const Path& path, int hops) const
{
    const auto drive = m_drives.find(ToUpperText(path.drive));
    if (drive == m_drives.end()) {
        return nullptr;
    }
    std::shared_ptr<Node> node = drive->second;
    for (const std::string& part : path.parts) {
        if (!node->isDirectory) {
            return nullptr;
        }
        node = Follow(node->Child(part), hops);
        if (!node) {
            return nullptr;
        }
    }
    return node;
}

std::shared_ptr<SimFileSystem::Node> SimFileSystem::Follow(std::shared_ptr<Node> node, int hops) const
{
    while (node && node->linkTarget) {
        if (++hops > kMaxLinkHops) {
            return nullptr;
        }
        const auto target = Normalise(*node->linkTarget);
        node = target ? Resolve(*target, hops) : nullptr;
    }
    return node;
}

std::shared_ptr<SimFileSystem::Node> SimFileSystem::Entry(const Path& path) const
{
    if (path.parts.empty()) {
        return Resolve(path);
    }
    const auto parent = Resolve(path.Parent());
    return parent && parent->isDirectory ? parent->Child(path.parts.back()) : nullptr;
}

std::shared_ptr<SimFileSystem::Node> SimFileSystem::PlainFile(std::string_view path) const
{
    const auto normalised = Normalise(path);
    const auto entry = normalised ? Entry(*normalised) : nullptr;
    if (!entry || !entry->file || entry->file->names > 1) {
        return nullptr; // nothing, a folder, a link, or a file with a second name
    }
    return entry;
}

std::shared_ptr<SimFileSystem::Node> SimFileSystem::Resolve(std::string_view path) const
{
    const auto normalised = Normalise(path);
    return normalised ? Resolve(*normalised) : nullptr;
}

std::shared_ptr<SimFileSystem::Node> SimFileSystem::ResolveFile(std::string_view path) const
{
    auto node = Resolve(path);
    return node && !node->isDirectory ? node : nullptr;
}

std::string SimFileSystem::FaultKey(std::string_view path) const
{
    const auto normalised = Normalise(path);
    if (!normalised) {
        return {};
    }
    if (const auto node = Resolve(*normalised)) {
        return node->Key();
    }
    if (!normalised->parts.empty()) {
        if (const auto parent = Resolve(normalised->Parent())) {
            return ToUpperText(parent->longPath + "\\" + normalised->parts.back());
        }
    }
    return ToUpperText(normalised->Text());
}

std::shared_ptr<SimFileSystem::Node> SimFileSystem::AddChild(Node& parent, std::string_view name, bool isDirectory)
{
    auto child = std::make_shared<Node>();
    child->name = std::string(name);
    child->longPath = parent.longPath + (parent.longPath.ends_with('\\') ? "" : "\\") + std::string(name);
    child->isDirectory = isDirectory;
    child->isProtected = parent.isProtected; // files and folders take on the access list of their folder
    if (!isDirectory) {
        child->file = std::make_shared<FileData>();
    }
    parent.children.emplace(ToUpperText(name), child);
    return child;
}

std::string SimFileSystem::CurrentDirectory()
{
    return Path{m_currentDrive, m_currentParts}.Text();
}

bool SimFileSystem::SetCurrentDirectory(std::string_view path)
{
    const auto normalised = Normalise(path);
    const auto node = normalised ? Resolve(*normalised) : nullptr;
    if (!node || !node->isDirectory) {
        return false;
    }
    // Windows keeps the spelling the caller used, not the names on the disk.
    m_currentDrive = normalised->drive;
    m_currentParts = normalised->parts;
    return true;
}

bool SimFileSystem::CreateDirectory(std::string_view path)
{
    return MakeDirectory(path, false);
}

bool SimFileSystem::CreateProtectedDirectory(std::string_view path)
{
    return MakeDirectory(path, true);
}

bool SimFileSystem::MakeDirectory(std::string_view path, bool isProtected)
{
    const auto normalised = Normalise(path);
    if (!normalised || normalised->parts.empty() || HasWildcard(normalised->parts.back())) {
        return false;
    }
    const auto parent = Resolve(normalised->Parent());
    if (!parent || !parent->isDirectory || parent->Child(normalised->parts.back())) {
        return false;
    }
    if (!m_failDirectoryCreation.empty() && FaultKey(path) == m_failDirectoryCreation) {
        return false;
    }
    const auto folder = AddChild(*parent, normalised->parts.back(), true);
    folder->isProtected = folder->isProtected || isProtected;
    return true;
}

bool SimFileSystem::IsRealFolder(std::string_view path)
{
    const auto normalised = Normalise(path);
    if (!normalised) {
        return false;
    }
    const auto drive = m_drives.find(ToUpperText(normalised->drive));
    if (drive == m_drives.end()) {
        return false;
    }
    // Entry by entry, following no link: any link on the way makes the path lead elsewhere.
    std::shared_ptr<Node> node = drive->second;
    for (const std::string& part : normalised->parts) {
        node = node->Child(part);
        if (!node || !node->isDirectory || node->linkTarget) {
            return false;
        }
    }
    return true;
}

std::string SimFileSystem::FindFirst(std::string_view fullName)
{
    const auto normalised = Normalise(fullName);
    if (!normalised || normalised->parts.empty()) {
        return {};
    }
    const auto parent = Resolve(normalised->Parent());
    if (!parent || !parent->isDirectory) {
        return {};
    }
    const std::string& pattern = normalised->parts.back();
    for (const auto& [upper, child] : parent->children) {
        if (Matches(pattern, child->name) || (child->alias && Matches(pattern, *child->alias))) {
            return child->name;
        }
    }
    return {};
}

std::optional<std::string> SimFileSystem::ShortPathOf(std::string_view path)
{
    const auto normalised = Normalise(path);
    if (!normalised || !Resolve(*normalised)) {
        return std::nullopt;
    }
    Path shortPath{normalised->drive, {}};
    auto node = Resolve(shortPath);
    for (const std::string& part : normalised->parts) {
        const auto entry = node->Child(part);
        shortPath.parts.push_back(entry->alias.value_or(entry->name));
        node = Follow(entry);
    }
    return shortPath.Text();
}

std::optional<std::string> SimFileSystem::FullPathOf(std::string_view path)
{
    const auto normalised = Normalise(path);
    if (!normalised) {
        return std::nullopt;
    }
    // The long names of the part that exists, through links as Windows' lookup goes; from the
    // first missing name on the path stays as it was written.
    const auto drive = m_drives.find(ToUpperText(normalised->drive));
    std::shared_ptr<Node> node = drive == m_drives.end() ? nullptr : drive->second;
    Path full{ToUpperText(normalised->drive), {}, normalised->endsWithSeparator && !normalised->parts.empty()};
    for (const std::string& part : normalised->parts) {
        const auto entry = node && node->isDirectory ? node->Child(part) : nullptr;
        full.parts.push_back(entry ? entry->name : part);
        node = Follow(entry);
    }
    return full.Text() + (full.endsWithSeparator ? "\\" : "");
}

std::unique_ptr<WritableFile> SimFileSystem::Create(std::string_view path)
{
    const auto normalised = Normalise(path);
    if (!normalised || normalised->parts.empty() || HasWildcard(normalised->parts.back())) {
        return nullptr;
    }
    const auto parent = Resolve(normalised->Parent());
    if (!parent || !parent->isDirectory) {
        return nullptr;
    }
    if (!m_failCreate.empty() && FaultKey(path) == m_failCreate) {
        return nullptr;
    }
    // As on Windows: the old name goes first (a link or a second name itself, never what it
    // leads to), and the new file is made only where the name is then free.
    if (parent->Child(normalised->parts.back()) && !Delete(path)) {
        return nullptr; // a directory, or a file someone holds open without sharing deletion
    }
    auto node = AddChild(*parent, normalised->parts.back(), false);
    return std::make_unique<OpenFile>(*this, std::move(node));
}

std::optional<std::string> SimFileSystem::ReadAll(std::string_view path)
{
    const auto entry = PlainFile(path);
    if (!entry || !entry->file->CanOpen(FileUse::Read, FileUse::Read)) {
        return std::nullopt;
    }
    return entry->file->contents;
}

std::unique_ptr<HeldFile> SimFileSystem::HoldForReading(std::string_view path)
{
    const auto entry = PlainFile(path);
    if (!entry || !entry->file->CanOpen(FileUse::Read, FileUse::Read)) {
        return nullptr;
    }
    return std::make_unique<SimHeldFile>(entry->file);
}

bool SimFileSystem::Delete(std::string_view path)
{
    const auto normalised = Normalise(path);
    const auto entry = normalised && !normalised->parts.empty() ? Entry(*normalised) : nullptr;
    if (!entry || entry->isDirectory) {
        return false; // nothing, a folder, or a link to one
    }
    // A link to a file has no data of its own here: deleting it removes the link alone.
    if (entry->file) {
        if (!entry->file->CanOpen(FileUse::Delete, kShareAll)) {
            return false;
        }
        --entry->file->names;
    }
    Resolve(normalised->Parent())->children.erase(ToUpperText(entry->name));
    return true;
}

void SimFileSystem::SetDriveFolder(std::string_view path)
{
    const auto normalised = Normalise(path);
    if (!normalised || !Resolve(*normalised) || !Resolve(*normalised)->isDirectory) {
        throw std::invalid_argument("not a folder: " + std::string(path));
    }
    m_driveFolders[ToUpperText(normalised->drive)] = normalised->parts;
}

void SimFileSystem::AddDirectory(std::string_view path, std::optional<std::string> shortAlias)
{
    const auto normalised = Normalise(path);
    if (!normalised || (shortAlias && normalised->parts.empty())) {
        throw std::invalid_argument("not a directory path: " + std::string(path));
    }
    auto& drive = m_drives[ToUpperText(normalised->drive)];
    if (!drive) {
        drive = std::make_shared<Node>();
        drive->longPath = ToUpperText(normalised->drive) + "\\";
        drive->isDirectory = true;
    }
    std::shared_ptr<Node> node = drive;
    for (std::size_t i = 0; i < normalised->parts.size(); ++i) {
        const std::string& part = normalised->parts[i];
        auto child = node->Child(part);
        const bool last = i + 1 == normalised->parts.size();
        if (last && shortAlias) {
            const auto holder = node->Child(*shortAlias);
            if (holder && holder != child) {
                throw std::invalid_argument("the alias is taken: " + *shortAlias);
            }
        }
        if (!child) {
            child = AddChild(*node, part, true);
        } else if (const auto folder = Follow(child); folder && folder->isDirectory) {
            child = folder;
        } else {
            throw std::invalid_argument("not a folder: " + child->longPath);
        }
        node = std::move(child);
    }
    if (shortAlias) {
        node->alias = std::move(shortAlias);
    }
}

void SimFileSystem::WriteFile(std::string_view path, std::string_view bytes)
{
    const auto normalised = Normalise(path);
    if (!normalised || normalised->parts.empty()) {
        throw std::invalid_argument("not a file path: " + std::string(path));
    }
    AddDirectory(normalised->Parent().Text(), std::nullopt);
    const auto parent = Resolve(normalised->Parent());
    const auto entry = parent->Child(normalised->parts.back());
    auto node = Follow(entry);
    if (entry && !node) {
        throw std::invalid_argument("a link that leads nowhere: " + entry->longPath);
    }
    if (node && node->isDirectory) {
        throw std::invalid_argument("a directory is in the way: " + node->longPath);
    }
    if (node && !node->file->CanOpen(FileUse::Write, kShareAll)) {
        throw std::invalid_argument("open without sharing writing: " + node->longPath);
    }
    if (!node) {
        node = AddChild(*parent, normalised->parts.back(), false);
    }
    node->file->contents = std::string(bytes);
    node->file->durable = node->file->contents;
}

void SimFileSystem::AddLink(std::string_view path, std::string_view target)
{
    const auto normalised = Normalise(path);
    const auto to = Normalise(target);
    if (!normalised || normalised->parts.empty() || !to) {
        throw std::invalid_argument("not a link: " + std::string(path) + " -> " + std::string(target));
    }
    const auto targetNode = Resolve(*to);
    if (!targetNode) {
        throw std::invalid_argument("no such target: " + std::string(target));
    }
    AddDirectory(normalised->Parent().Text(), std::nullopt);
    const auto parent = Resolve(normalised->Parent());
    if (parent->Child(normalised->parts.back())) {
        throw std::invalid_argument("the name is taken: " + std::string(path));
    }
    const auto link = AddChild(*parent, normalised->parts.back(), targetNode->isDirectory);
    link->file.reset();
    link->linkTarget = to->Text();
}

void SimFileSystem::AddHardLink(std::string_view existing, std::string_view newPath)
{
    const auto from = Normalise(existing);
    const auto source = from ? Entry(*from) : nullptr;
    const auto normalised = Normalise(newPath);
    if (!source || !source->file || !normalised || normalised->parts.empty()) {
        throw std::invalid_argument("no plain file to link: " + std::string(existing));
    }
    AddDirectory(normalised->Parent().Text(), std::nullopt);
    const auto parent = Resolve(normalised->Parent());
    if (!EqualsIgnoreCase(parent->longPath.substr(0, 2), source->longPath.substr(0, 2))) {
        throw std::invalid_argument("a hard link stays on its drive: " + std::string(newPath));
    }
    if (parent->Child(normalised->parts.back())) {
        throw std::invalid_argument("the name is taken: " + std::string(newPath));
    }
    const auto link = AddChild(*parent, normalised->parts.back(), false);
    link->file = source->file;
    link->isProtected = source->isProtected; // one file, one access list
    ++source->file->names;
}

void SimFileSystem::OpenInOtherProcess(std::string_view path, FileUse access, FileUse sharing)
{
    const auto node = ResolveFile(path);
    if (!node) {
        throw std::invalid_argument("no such file: " + std::string(path));
    }
    if (!node->file->CanOpen(access, sharing)) {
        throw std::invalid_argument("the handles open on the file do not let it open so: " + std::string(path));
    }
    node->file->handles.push_back({access, sharing, FileData::Opener::OtherProcess});
}

void SimFileSystem::CloseInOtherProcess(std::string_view path)
{
    if (const auto node = ResolveFile(path)) {
        node->file->handles.remove_if(
            [](const FileData::Handle& open) { return open.opener == FileData::Opener::OtherProcess; });
    }
}

bool SimFileSystem::Exists(std::string_view path) const
{
    return Resolve(path) != nullptr;
}

bool SimFileSystem::IsDirectory(std::string_view path) const
{
    const auto node = Resolve(path);
    return node && node->isDirectory;
}

bool SimFileSystem::IsOpen(std::string_view path) const
{
    const auto node = ResolveFile(path);
    // Fits(Write, access): writing is among what the handle may do.
    return node && std::ranges::any_of(node->file->handles,
                                       [](const FileData::Handle& open) { return Fits(FileUse::Write, open.access); });
}

bool SimFileSystem::CanOpen(std::string_view path, FileUse access, FileUse sharing) const
{
    const auto node = ResolveFile(path);
    return node && node->file->CanOpen(access, sharing);
}

bool SimFileSystem::IsHeld(std::string_view path) const
{
    const auto node = ResolveFile(path);
    return node && node->file->IsOpenBy(FileData::Opener::Holder);
}

bool SimFileSystem::IsProtected(std::string_view path) const
{
    const auto node = Resolve(path);
    return node && node->isProtected;
}

std::optional<std::string> SimFileSystem::Contents(std::string_view path) const
{
    const auto node = ResolveFile(path);
    return node ? std::optional<std::string>(node->file->contents) : std::nullopt;
}

std::optional<std::string> SimFileSystem::DurableContents(std::string_view path) const
{
    const auto node = ResolveFile(path);
    return node ? std::optional<std::string>(node->file->durable) : std::nullopt;
}

std::vector<std::string> SimFileSystem::ListFiles() const
{
    std::vector<std::string> files;
    const auto collect = [&](const auto& self, const Node& directory) -> void {
        for (const auto& [upper, child] : directory.children) {
            if (child->isDirectory) {
                if (!child->linkTarget) { // what a link leads to is listed where it is
                    self(self, *child);
                }
            } else {
                files.push_back(child->longPath);
            }
        }
    };
    for (const auto& [letter, drive] : m_drives) {
        collect(collect, *drive);
    }
    return files;
}

void SimFileSystem::FailCreate(std::string_view path)
{
    m_failCreate = FaultKey(path);
}

void SimFileSystem::FailWritesTo(std::string_view path)
{
    m_failWrites = FaultKey(path);
}

void SimFileSystem::FailDirectoryCreation(std::string_view path)
{
    m_failDirectoryCreation = FaultKey(path);
}

} // namespace hivetidy::sim
