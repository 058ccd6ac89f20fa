#include "platform/sim/SimHives.h"

#include "platform/sim/RegFile.h"
#include "shared/Text.h"

#include <utility>

namespace hivetidy::sim {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kUsers = "HKEY_USERS\\";
// The system's handle on a loaded hive file: it reads and writes and lets nobody else in.
constexpr FileUse kSystemAccess = FileUse::Read | FileUse::Write;

// The keys of a hive file's text put below a key of the registry: "HIVE" stands for that key.
class MountedHive final : public RegImportTarget {
public:
    MountedHive(SimRegistry& registry, std::string mount) : m_registry(registry), m_mount(std::move(mount)) {}

    [[nodiscard]] bool NamesKey(std::string_view path) const override
    {
        const auto mapped = Mapped(path);
        return mapped && SimRegistry::IsKeyPath(*mapped);
    }
    void CreateKey(std::string_view path) override { m_registry.CreateKey(*Mapped(path)); }
    void SetRaw(std::string_view path, const RawValue& value) override { m_registry.SetRaw(*Mapped(path), value); }
    bool DeleteValue(std::string_view path, std::string_view name) override
    {
        const auto mapped = Mapped(path);
        return mapped && m_registry.DeleteValue(*mapped, name);
    }
    // A hive file deletes nothing: "[-...]" names a hive of the machine, never one of the file.
    bool DeleteKey(std::string_view) override { return false; }

private:
    [[nodiscard]] std::optional<std::string> Mapped(std::string_view path) const
    {
        const std::string_view root = kHiveFileRoot;
        if (!EqualsIgnoreCase(path.substr(0, root.size()), root)) {
            return std::nullopt;
        }
        const std::string_view rest = path.substr(root.size());
        if (!rest.empty() && !rest.starts_with('\\')) {
            return std::nullopt;
        }
        return m_mount + std::string(rest);
    }

    SimRegistry& m_registry;
    std::string m_mount;
};

// Imports a hive file's text below the mount; false when it is no hive (what was taken of it
// stays, so callers import into a scratch registry first).
[[nodiscard]] bool ImportHive(SimRegistry& registry, const std::string& mount, std::string_view fileText)
{
    MountedHive target(registry, mount);
    const RegImport import = ImportRegText(target, fileText, HexStrings::ByHeader, false);
    if (!import.recognised || !import.rejected.empty()) {
        return false;
    }
    registry.CreateKey(mount);
    return true;
}

// The key at mount and everything below it as a hive file's text.
[[nodiscard]] std::string ExportHive(SimRegistry& registry, const std::string& mount)
{
    const std::string text = ExportKeyText(registry, mount, ExportFormat::Version5).value_or(std::string(kHeader));
    // Every key line starts with the mount as it was asked for; value lines start with a quote,
    // '@' or blanks, never with '['.
    const std::string keyStart = '[' + mount;
    std::string hive;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        end = end == std::string::npos ? text.size() : end + 2;
        const std::string_view line(text.data() + start, end - start);
        if (line.starts_with(keyStart)) {
            hive += '[';
            hive += kHiveFileRoot;
            hive += line.substr(keyStart.size());
        } else {
            hive += line;
        }
        start = end;
    }
    return hive;
}

// The hive at the scratch registry's mount, for checking and rewriting a hive file's text.
constexpr char kScratchMount[] = "HKEY_USERS\\HIVE";

} // namespace

std::optional<std::string> ReadHiveFileText(std::string_view fileText)
{
    SimRegistry scratch(SimMachine::Windows32);
    if (!ImportHive(scratch, kScratchMount, fileText)) {
        return std::nullopt;
    }
    return ExportHive(scratch, kScratchMount);
}

std::optional<std::string> HiveFileText(std::string_view keyLines)
{
    return ReadHiveFileText(std::string(kHeader) + "\r\n\r\n" + std::string(keyLines));
}

SimHives::SimHives(SimRegistry& registry, SimFileSystem& files) : m_registry(registry), m_files(files)
{
    for (const auto& [name, value] : {std::pair{"SystemDrive", "C:"}, std::pair{"SystemRoot", "C:\\WINDOWS"},
                                      std::pair{"windir", "C:\\WINDOWS"},
                                      std::pair{"USERPROFILE", "C:\\Users\\Administrator"}}) {
        SetEnvironmentVariable(name, value);
    }
}

HiveLoad SimHives::Load(std::string_view name, std::string_view file)
{
    if (!IsHiveName(name) || !IsFullHivePath(file)) {
        return HiveLoad::Failed;
    }
    if (!m_privileged) {
        return HiveLoad::NotAllowed;
    }
    const std::string mount = std::string(kUsers) + std::string(name);
    if (m_registry.KeyExists(mount)) {
        return HiveLoad::Failed;
    }
    if (!m_files.Exists(file) || m_files.IsDirectory(file)) {
        return HiveLoad::Missing;
    }
    if (!m_files.CanOpen(file, kSystemAccess, FileUse::None)) {
        return HiveLoad::InUse;
    }
    // Checked whole in a scratch registry first, so that a file that is no hive leaves nothing.
    const std::string text = m_files.Contents(file).value_or(std::string());
    if (!ReadHiveFileText(text)) {
        return HiveLoad::NotAHive;
    }
    (void)ImportHive(m_registry, mount, text);
    m_files.OpenInOtherProcess(file, kSystemAccess, FileUse::None);
    m_loaded[ToUpperText(name)] = std::string(file);
    return HiveLoad::Loaded;
}

bool SimHives::Unload(std::string_view name)
{
    if (!IsHiveName(name)) {
        return false;
    }
    const std::string mount = std::string(kUsers) + std::string(name);
    const auto loaded = m_loaded.find(ToUpperText(name));
    // Only a hive loaded from a file can be unloaded; any other key below HKEY_USERS stays.
    if (!m_privileged || loaded == m_loaded.end()) {
        return !m_registry.KeyExists(mount);
    }
    if (m_failingUnloads > 0) {
        --m_failingUnloads;
        return false;
    }
    const std::string file = loaded->second;
    const std::string text = ExportHive(m_registry, mount);
    m_files.CloseInOtherProcess(file);
    m_files.WriteFile(file, text);
    (void)m_registry.DeleteKey(mount);
    m_loaded.erase(loaded);
    return true;
}

void SimHives::PauseBeforeRetry()
{
    ++m_pauses;
}

std::vector<std::string> SimHives::LoadedNames()
{
    const auto users = m_registry.OpenHive(kHkeyUsers);
    return users ? users->SubkeyNames().value_or(std::vector<std::string>{}) : std::vector<std::string>{};
}

std::string SimHives::ExpandEnvironment(std::string_view text)
{
    std::string expanded;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find('%', at);
        const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) {
            expanded += text.substr(at);
            break;
        }
        expanded += text.substr(at, open - at);
        const auto variable = m_environment.find(ToUpperText(text.substr(open + 1, close - open - 1)));
        // An unknown name keeps both its '%', and the text goes on after the second.
        expanded += variable != m_environment.end() ? variable->second : std::string(text.substr(open, close - open + 1));
        at = close + 1;
    }
    return expanded;
}

std::optional<std::string> SimHives::ReadRecord()
{
    return m_files.ReadAll(kHiveRecordPath);
}

bool SimHives::WriteRecord(std::string_view text)
{
    constexpr std::string_view kRecordFolder = "C:\\REGISTRY";
    if (!m_files.IsDirectory(kRecordFolder)) {
        (void)m_files.CreateProtectedDirectory(kRecordFolder);
    }
    const auto record = m_files.Create(kHiveRecordPath);
    return record && record->Write(text) && record->Close();
}

void SimHives::RemoveRecord()
{
    (void)m_files.Delete(kHiveRecordPath);
}

void SimHives::DenyPrivileges()
{
    m_privileged = false;
}

void SimHives::FailNextUnloads(int count)
{
    m_failingUnloads = count;
}

void SimHives::SetEnvironmentVariable(std::string_view name, std::string_view value)
{
    m_environment[ToUpperText(name)] = std::string(value);
}

} // namespace hivetidy::sim
