#pragma once
// The class-key collector: called once for every class key below HKEY_CLASSES_ROOT\CLSID, while the
// run's walk is in it. It lets Form2 check the key and everything below it, and records a class that
// refers into the controller folders, with its ProgID and type library, in InvalidClasses.

#include "component/RegistryComponent.h"
#include "passes/Callbacks.h"
#include "passes/SharedState.h"

#include <cstdint>
#include <functional>

namespace hivetidy {

class ClassKeyCollector final : public IUseRegItems {
public:
    // yield lets the driver's world go on after each class.
    ClassKeyCollector(SharedState& state, CallbackObjects& callbacks, std::function<void()> yield);

    bool UseNode(RegistryComponent& node, std::int32_t iLevel) override;
    bool UseItem(RegistryItem& item, std::int32_t iLevel) override;

private:
    SharedState& m_state;
    CallbackObjects& m_callbacks;
    std::function<void()> m_yield;
};

} // namespace hivetidy
