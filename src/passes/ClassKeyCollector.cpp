#include "passes/ClassKeyCollector.h"

#include <utility>

namespace hivetidy {

ClassKeyCollector::ClassKeyCollector(SharedState& state, CallbackObjects& callbacks, std::function<void()> yield)
    : m_state(state), m_callbacks(callbacks), m_yield(std::move(yield))
{
}

bool ClassKeyCollector::UseNode(RegistryComponent& node, std::int32_t /*iLevel*/)
{
    m_state.CurrentClassId = node.Name();
    // Cleared before each class, so that nothing of one class reaches the record of the next.
    m_state.ServerPathFound = false;
    m_state.CurrentProgId.clear();
    m_state.CurrentTypeLibId.clear();

    node.WalkTree(m_callbacks.TheForm2(), node, 0);

    if (m_state.ServerPathFound) {
        ClassEntry& entry = m_state.InvalidClasses.Append();
        entry.ClassId = m_state.CurrentClassId;
        entry.ProgId = m_state.CurrentProgId;
        entry.TypeLibId = m_state.CurrentTypeLibId;
    }
    m_yield();
    return false;
}

bool ClassKeyCollector::UseItem(RegistryItem& /*item*/, std::int32_t /*iLevel*/)
{
    return false;
}

} // namespace hivetidy
