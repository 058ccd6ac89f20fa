#include "platform/sim/SimFileSystem.h"

#include "shared/Text.h"

#include <algorithm>
#include <cctype>
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

} // namespace

struct SimFileSystem::Node {
    std::string name; // the long name
    std::optional<std::string> alias;
    std::string longPath; // full, with the case of every name
    bool isDirectory = false;
    // Keyed by the upper-case long name, which is the order a directory lists its entries in.
    std::map<std::string, std::shared_ptr<Node>> children;
    std::string contents;
    std::string durable;
    int writers = 0;

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

// A file open for writing. Windows keeps written bytes in its cache until a flush or close puts
// them on the disk; a handle that the ending process leaves open is closed without a flush.
class SimFileSystem::OpenFile final : public WritableFile {
public:
    OpenFile(SimFileSystem& files, std::shared_ptr<Node> node) : m_files(files), m_node(std::move(node))
    {
        ++m_node->writers;
    }

    ~OpenFile() override
    {
        if (m_open) {
            --m_node->writers;
        }
    }

    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    bool Write(std::string_view bytes) override
    {
        if (!m_open || (!m_files.m_failWrites.empty() && m_files.m_failWrites == m_node->Key())) {
            return false;
        }
        m_node->contents += bytes;
        return true;
    }

    bool Flush() override
    {
        if (!m_open) {
            return false;
        }
        m_node->durable = m_node->contents;
        return true;
    }

    bool Close() override
    {
        if (!Flush()) {
            return false;
        }
        m_open = false;
        --m_node->writers;
        return true;
    }

private:
    SimFileSystem& m_files;
    std::shared_ptr<Node> m_node;
    bool m_open = true;
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
    const bool onCurrentDrive = EqualsIgnoreCase(result.drive, m_currentDrive);
    if (!rest.starts_with('\\') && onCurrentDrive) {
        result.parts = m_currentParts;
    }
    while (!rest.empty()) {
        const std::size_t slash = rest.find('\\');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash + 1);
        if (part == "..") {
            if (!result.parts.empty()) {
                result.parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            result.parts.emplace_back(part);
        }
    }
    return result;
}

std::shared_ptr<SimFileSystem::Node> SimFileSystem::Resolve(const Path& path) const
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
        node = node->Child(part);
        if (!node) {
            return nullptr;
        }
    }
    return node;
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
    (void)AddChild(*parent, normalised->parts.back(), true);
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
        node = node->Child(part);
        shortPath.parts.push_back(node->alias.value_or(node->name));
    }
    return shortPath.Text();
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
    auto node = parent->Child(normalised->parts.back());
    if (node && (node->isDirectory || node->writers > 0)) {
        return nullptr; // a directory, or a file someone holds open for writing
    }
    if (!node) {
        node = AddChild(*parent, normalised->parts.back(), false);
    }
    node->contents.clear();
    node->durable.clear();
    return std::make_unique<OpenFile>(*this, std::move(node));
}

std::optional<std::string> SimFileSystem::ReadAll(std::string_view path)
{
    return Contents(path);
}

bool SimFileSystem::Delete(std::string_view path)
{
    const auto normalised = Normalise(path);
    const auto node = normalised ? Resolve(*normalised) : nullptr;
    if (!node || node->isDirectory || node->writers > 0) {
        return false; // an open file cannot be deleted: it was not opened for sharing deletion
    }
    Resolve(normalised->Parent())->children.erase(ToUpperText(node->name));
    return true;
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
        } else if (!child->isDirectory) {
            throw std::invalid_argument("a file is in the way: " + child->longPath);
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
    auto node = parent->Child(normalised->parts.back());
    if (node && node->isDirectory) {
        throw std::invalid_argument("a directory is in the way: " + node->longPath);
    }
    if (!node) {
        node = AddChild(*parent, normalised->parts.back(), false);
    }
    node->contents = std::string(bytes);
    node->durable = node->contents;
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
    return node && node->writers > 0;
}

std::optional<std::string> SimFileSystem::Contents(std::string_view path) const
{
    const auto node = ResolveFile(path);
    return node ? std::optional<std::string>(node->contents) : std::nullopt;
}

std::optional<std::string> SimFileSystem::DurableContents(std::string_view path) const
{
    const auto node = ResolveFile(path);
    return node ? std::optional<std::string>(node->durable) : std::nullopt;
}

std::vector<std::string> SimFileSystem::ListFiles() const
{
    std::vector<std::string> files;
    const auto collect = [&](const auto& self, const Node& directory) -> void {
        for (const auto& [upper, child] : directory.children) {
            if (child->isDirectory) {
                self(self, *child);
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
