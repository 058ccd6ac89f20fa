#include "platform/sim/SimPlatform.h"

#include "shared/Text.h"

#include <stdexcept>

namespace hivetidy::sim {

SimPlatform::SimPlatform(SimMachine machine)
    : m_registry(machine), m_processes(m_registry, m_files), m_dialogs(m_files), m_components(m_registry),
      m_hives(m_registry, m_files)
{
    m_files.AddDirectory("C:\\Program Files", std::string("PROGRA~1"));
    m_files.AddDirectory("C:\\WINDOWS", std::nullopt);
    for (const char* key : {"HKEY_CLASSES_ROOT\\CLSID", "HKEY_CLASSES_ROOT\\TypeLib",
                            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
                            "HKEY_CURRENT_USER\\Software"}) {
        m_registry.CreateKey(key);
    }
    if (machine == SimMachine::Windows64) {
        for (const char* key :
             {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\WOW6432Node\\CLSID",
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths"}) {
            m_registry.CreateKey(key);
        }
    }
}

Platform SimPlatform::Get()
{
    return Platform{m_components, m_files, m_processes, m_dialogs, m_window, m_system, m_hives};
}

namespace {

constexpr char kProfileList[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
constexpr char kUserHive[] = "\\NTUSER.DAT";
constexpr char kClassesHive[] = "\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";

} // namespace

void SimPlatform::WriteHiveFile(std::string_view path, std::string_view keyLines)
{
    const auto text = HiveFileText(keyLines);
    if (!text) {
        throw std::invalid_argument("no hive: " + std::string(keyLines));
    }
    m_files.WriteFile(path, *text);
}

std::optional<std::string> SimPlatform::ReadHiveFile(std::string_view path) const
{
    const auto contents = m_files.Contents(path);
    return contents ? ReadHiveFileText(*contents) : std::nullopt;
}

void SimPlatform::AddProfile(std::string_view sid, std::string_view profilePath, ProfilePathType type,
                             std::string_view userKeys, std::string_view classesKeys)
{
    const std::string entry = kProfileList + std::string(sid);
    if (type == ProfilePathType::Expandable) {
        m_registry.SetExpandString(entry, "ProfileImagePath", profilePath);
    } else {
        m_registry.SetString(entry, "ProfileImagePath", profilePath);
    }
    const std::string folder = m_hives.ExpandEnvironment(profilePath);
    WriteHiveFile(folder + kUserHive, userKeys);
    WriteHiveFile(folder + kClassesHive, classesKeys);
    m_profiles[ToUpperText(sid)] = folder;
}

void SimPlatform::LogOn(std::string_view sid)
{
    const auto profile = m_profiles.find(ToUpperText(sid));
    if (profile == m_profiles.end() ||
        m_hives.Load(sid, profile->second + kUserHive) != HiveLoad::Loaded ||
        m_hives.Load(std::string(sid) + "_Classes", profile->second + kClassesHive) != HiveLoad::Loaded) {
        throw std::invalid_argument("cannot log on: " + std::string(sid));
    }
}

} // namespace hivetidy::sim
