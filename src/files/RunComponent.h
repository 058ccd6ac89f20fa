#pragma once
// The run's component object: one for the whole run, created the first time a step needs it, so that
// a run that ends before it reads the registry never asks for one.

#include "component/RegistryComponent.h"

#include <memory>

namespace hivetidy {

class RunComponent {
public:
    explicit RunComponent(RegistryComponentFactory& components);

    RunComponent(const RunComponent&) = delete;
    RunComponent& operator=(const RunComponent&) = delete;

    // The component, created on first use. Throws Failure when it cannot be.
    RegistryComponent& operator()();
    // Lets the component go, and with it the key it is bound to: before a user's hive is unloaded.
    void Release() noexcept { m_component.reset(); }

private:
    RegistryComponentFactory& m_components;
    std::unique_ptr<RegistryComponent> m_component;
};

} // namespace hivetidy
