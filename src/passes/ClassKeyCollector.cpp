#include "passes/CleaningRun.h"

namespace hivetidy {

// Called once for every class key below HKEY_CLASSES_ROOT\CLSID, while the run's walk is in it.
bool CleaningRun::UseNode(RegistryComponent& node, std::int32_t /*iLevel*/)
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
    Yield();
    return false;
}

bool CleaningRun::UseItem(RegistryItem& /*item*/, std::int32_t /*iLevel*/)
{
    return false;
}

} // namespace hivetidy
