#pragma once
// The callback classes without user interface. Each implements only IUseRegItems and has exactly
// one program-wide instance (CallbackObjects), created on first use. Every handler returns false.

#include "component/RegistryComponent.h"
#include "passes/SharedState.h"

#include <functional>
#include <memory>
#include <string>

namespace hivetidy {

class CallbackObjects;

// Class-key checker: picks up ProgID and TypeLib, tests the values of every other key below a class.
class Form2 final : public IUseRegItems {
public:
    Form2(SharedState& state, RegistryComponentFactory& components, CallbackObjects& objects);

    bool UseNode(RegistryComponent& node, std::int32_t iLevel) override;
    bool UseItem(RegistryItem& item, std::int32_t iLevel) override;

private:
    SharedState& m_state;
    RegistryComponentFactory& m_components;
    CallbackObjects& m_objects;
};

// Type-library checker: tests the values of every key below a class's type library.
class Form3 final : public IUseRegItems {
public:
    explicit Form3(SharedState& state);

    bool UseNode(RegistryComponent& node, std::int32_t iLevel) override;
    bool UseItem(RegistryItem& item, std::int32_t iLevel) override;

private:
    SharedState& m_state;
};

// Type-library collector: lists the depth-1 type-library key of every passing value.
class Form4 final : public IUseRegItems {
public:
    Form4(SharedState& state, std::function<void()> yield);

    bool UseNode(RegistryComponent& node, std::int32_t iLevel) override;
    bool UseItem(RegistryItem& item, std::int32_t iLevel) override;

    // The name of the last depth-1 key that the walk reported; never cleared.
    [[nodiscard]] const std::string& CurrentTypeLibKey() const { return m_currentTypeLibKey; }

private:
    SharedState& m_state;
    std::function<void()> m_yield;
    std::string m_currentTypeLibKey;
};

// Application-path collector: lists every App Paths key whose default value passes.
class Form5 final : public IUseRegItems {
public:
    explicit Form5(SharedState& state);

    bool UseNode(RegistryComponent& node, std::int32_t iLevel) override;
    bool UseItem(RegistryItem& item, std::int32_t iLevel) override;

private:
    SharedState& m_state;
};

// User-hive collector: lists the name of every reported key.
class Form6 final : public IUseRegItems {
public:
    explicit Form6(SharedState& state);

    bool UseNode(RegistryComponent& node, std::int32_t iLevel) override;
    bool UseItem(RegistryItem& item, std::int32_t iLevel) override;

private:
    SharedState& m_state;
};

// The single instances of Form2 to Form6, each created when first needed and kept until the end.
class CallbackObjects {
public:
    CallbackObjects(SharedState& state, RegistryComponentFactory& components, std::function<void()> yield);

    Form2& TheForm2();
    Form3& TheForm3();
    Form4& TheForm4();
    Form5& TheForm5();
    Form6& TheForm6();

private:
    SharedState& m_state;
    RegistryComponentFactory& m_components;
    std::function<void()> m_yield;
    std::unique_ptr<Form2> m_form2;
    std::unique_ptr<Form3> m_form3;
    std::unique_ptr<Form4> m_form4;
    std::unique_ptr<Form5> m_form5;
    std::unique_ptr<Form6> m_form6;
};

} // namespace hivetidy
