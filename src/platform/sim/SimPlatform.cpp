#include "platform/sim/SimPlatform.h"

namespace hivetidy::sim {

SimPlatform::SimPlatform(SimMachine machine)
    : m_registry(machine), m_processes(m_registry, m_files), m_dialogs(m_files), m_components(m_registry)
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
    return Platform{m_components, m_files, m_processes, m_dialogs, m_window, m_system};
}

} // namespace hivetidy::sim
