#include "passes/Callbacks.h"

#include "passes/ControllerPath.h"
#include "shared/Failure.h"
#include "shared/Text.h"

#include <utility>

namespace hivetidy {

namespace {

constexpr std::string_view kProgIdKey = "ProgID";
constexpr std::string_view kTypeLibKey = "TypeLib";

// True when the item holds text that refers into the controller folders; other data never does.
bool ItemRefersToControllerDir(const SharedState& state, RegistryItem& item)
{
    const TaggedValue value = item.Value();
    return value.IsText() && RefersToControllerDir(state, value.ToText());
}

} // namespace

Form2::Form2(SharedState& state, RegistryComponentFactory& components, CallbackObjects& objects)
    : m_state(state), m_components(components), m_objects(objects)
{
}

bool Form2::UseNode(RegistryComponent& node, std::int32_t /*iLevel*/)
{
    // Three independent checks, each on the name read afresh.
    if (EqualsIgnoreCase(node.Name(), kProgIdKey)) {
        m_state.CurrentProgId = node.DefaultValue().ToText();
    }

    const std::string name = node.Name();
    if (!EqualsIgnoreCase(name, kProgIdKey) && !EqualsIgnoreCase(name, kTypeLibKey)) {
        node.WalkItems(*this, 0);
    }

    if (EqualsIgnoreCase(node.Name(), kTypeLibKey)) {
        m_state.CurrentTypeLibId = node.DefaultValue().ToText();

        // Many classes share one type library, and nothing is removed while the classes are
        // walked: each library is walked once per pass, and its verdict holds for every class.
        const auto known = m_state.CheckedTypeLibs.find(m_state.CurrentTypeLibId);
        if (known != m_state.CheckedTypeLibs.end()) {
            m_state.ServerPathFound = m_state.ServerPathFound || known->second;
            return false;
        }
        const bool foundBefore = m_state.ServerPathFound;
        m_state.ServerPathFound = false;

        // Skip mode from here: a type library that is not there is no reason to give up the class.
        // The lookup has a component of its own: the window's one is in the middle of its walk.
        std::unique_ptr<RegistryComponent> lookup;
        SkipOnFailure([&] { lookup = m_components.Create(); });
        const bool opened = lookup && SkipOnFailure([&] {
            lookup->OpenKey(kHkeyClassesRoot, TaggedValue::Text("TypeLib\\" + m_state.CurrentTypeLibId), m_state.CurrentView);
        });
        if (opened) {
            SkipOnFailure([&] { lookup->WalkTree(m_objects.TheForm3(), *lookup, 0); });
        }
        m_state.CheckedTypeLibs.emplace(m_state.CurrentTypeLibId, m_state.ServerPathFound);
        m_state.ServerPathFound = foundBefore || m_state.ServerPathFound;
    }
    return false;
}

bool Form2::UseItem(RegistryItem& item, std::int32_t /*iLevel*/)
{
    if (ItemRefersToControllerDir(m_state, item)) {
        m_state.ServerPathFound = true;
    }
    return false;
}

Form3::Form3(SharedState& state) : m_state(state) {}

bool Form3::UseNode(RegistryComponent& node, std::int32_t /*iLevel*/)
{
    node.WalkItems(*this, 0);
    return false;
}

bool Form3::UseItem(RegistryItem& item, std::int32_t /*iLevel*/)
{
    if (ItemRefersToControllerDir(m_state, item)) {
        m_state.ServerPathFound = true;
    }
    return false;
}

Form4::Form4(SharedState& state, std::function<void()> yield) : m_state(state), m_yield(std::move(yield)) {}

bool Form4::UseNode(RegistryComponent& node, std::int32_t iLevel)
{
    // Every key below a depth-1 key is reported after it and before the next one, so the depth-1
    // name remembered here is the type library of every value the walk reports until then.
    if (iLevel == 1) {
        m_currentTypeLibKey = node.Name();
    }
    node.WalkItems(*this, 0);
    m_yield();
    return false;
}

bool Form4::UseItem(RegistryItem& item, std::int32_t /*iLevel*/)
{
    if (ItemRefersToControllerDir(m_state, item)) {
        m_state.InvalidKeyNames.Append() = m_currentTypeLibKey;
    }
    return false;
}

Form5::Form5(SharedState& state) : m_state(state) {}

bool Form5::UseNode(RegistryComponent& node, std::int32_t /*iLevel*/)
{
    if (!node.DefaultValue().IsText()) {
        return false;
    }
    if (RefersToControllerDir(m_state, node.DefaultValue().ToText())) {
        // The entry exists before the name is read; a failing read leaves it empty.
        std::string& entry = m_state.InvalidKeyNames.Append();
        entry = node.Name();
    }
    return false;
}

bool Form5::UseItem(RegistryItem& /*item*/, std::int32_t /*iLevel*/)
{
    return false;
}

Form6::Form6(SharedState& state) : m_state(state) {}

bool Form6::UseNode(RegistryComponent& node, std::int32_t /*iLevel*/)
{
    std::string& entry = m_state.UserHiveNames.Append();
    entry = node.Name();
    return false;
}

bool Form6::UseItem(RegistryItem& /*item*/, std::int32_t /*iLevel*/)
{
    return false;
}

CallbackObjects::CallbackObjects(SharedState& state, RegistryComponentFactory& components, std::function<void()> yield)
    : m_state(state), m_components(components), m_yield(std::move(yield))
{
}

Form2& CallbackObjects::TheForm2()
{
    if (!m_form2) {
        m_form2 = std::make_unique<Form2>(m_state, m_components, *this);
    }
    return *m_form2;
}

Form3& CallbackObjects::TheForm3()
{
    if (!m_form3) {
        m_form3 = std::make_unique<Form3>(m_state);
    }
    return *m_form3;
}

Form4& CallbackObjects::TheForm4()
{
    if (!m_form4) {
        m_form4 = std::make_unique<Form4>(m_state, m_yield);
    }
    return *m_form4;
}

Form5& CallbackObjects::TheForm5()
{
    if (!m_form5) {
        m_form5 = std::make_unique<Form5>(m_state);
    }
    return *m_form5;
}

Form6& CallbackObjects::TheForm6()
{
    if (!m_form6) {
        m_form6 = std::make_unique<Form6>(m_state);
    }
    return *m_form6;
}

} // namespace hivetidy
