#include "files/RunComponent.h"

namespace hivetidy {

RunComponent::RunComponent(RegistryComponentFactory& components) : m_components(components) {}

RegistryComponent& RunComponent::operator()()
{
    if (!m_component) {
        m_component = m_components.Create();
    }
    return *m_component;
}

} // namespace hivetidy
