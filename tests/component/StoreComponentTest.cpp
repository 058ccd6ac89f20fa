#include "component/StoreComponent.h"

#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimSystem.h"
#include "shared/Failure.h"
#include "support/CountingStore.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace hivetidy {
namespace {

using Reported = std::vector<std::pair<std::string, int>>;

// A callback that records what the walk reports and may act on each report.
class Recorder final : public IUseRegItems {
public:
    bool UseNode(RegistryComponent& node, std::int32_t iLevel) override
    {
        nodes.emplace_back(node.Name(), iLevel);
        if (onNode) {
            onNode(node);
        }
        return false;
    }

    bool UseItem(RegistryItem& item, std::int32_t /*iLevel*/) override
    {
        items.emplace_back(item.Name(), item.Value());
        if (onItem) {
            onItem(item);
        }
        return false;
    }

    Reported nodes;
    std::vector<std::pair<std::string, TaggedValue>> items;
    std::function<void(RegistryComponent&)> onNode;
    std::function<void(RegistryItem&)> onItem;
};

constexpr std::string_view kTree = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Baum";

class StoreComponentTest : public ::testing::Test {
protected:
    // Baum: Alpha { Beta { Gamma }, Delta { @="d" } }, Epsilon; values only on Baum and Delta.
    StoreComponentTest()
    {
        registry.LoadRegText("REGEDIT4\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Baum]\r\n"
                             "@=\"Wurzel\"\r\n"
                             "\"Zahl\"=dword:00000001\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Baum\\Alpha\\Beta\\Gamma]\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Baum\\Alpha\\Delta]\r\n"
                             "@=\"d\"\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Baum\\Epsilon]\r\n");
    }

    // A component bound to the tree's root key.
    StoreComponent& Tree()
    {
        component.OpenKey(kHkeyLocalMachine, TaggedValue::Text("SOFTWARE\\Baum"));
        return component;
    }

    std::string Below(std::string_view path) const { return std::string(kTree) + "\\" + std::string(path); }

    sim::SimRegistry registry;
    StoreComponent component{registry};
    Recorder recorder;
};

TEST_F(StoreComponentTest, OpenKeyFailsForAMissingKeyRootZeroOrAPathThatIsNotText)
{
    EXPECT_THROW(component.OpenKey(kHkeyLocalMachine, TaggedValue::Text("SOFTWARE\\Fehlt")), Failure);
    EXPECT_THROW(component.OpenKey(kNoRoot, TaggedValue::Text("SOFTWARE\\Baum")), Failure);
    EXPECT_THROW(component.OpenKey(0x80000005u, TaggedValue::Text("SOFTWARE\\Baum")), Failure);
    EXPECT_THROW(component.OpenKey(kHkeyLocalMachine, TaggedValue::Whole(3)), Failure);
}

TEST_F(StoreComponentTest, AFailedOpenLeavesTheObjectBoundToNothing)
{
    (void)Tree();
    EXPECT_THROW(component.OpenKey(kHkeyLocalMachine, TaggedValue::Text("SOFTWARE\\Fehlt")), Failure);
    EXPECT_THROW((void)component.Name(), Failure);
    EXPECT_THROW(component.WalkSubkeys(recorder, 0), Failure);
    EXPECT_TRUE(recorder.nodes.empty());
}

TEST_F(StoreComponentTest, OpenKeyTakesTheNameIgnoringCaseAndAnsweringWithTheLastComponent)
{
    component.OpenKey(kHkeyLocalMachine, TaggedValue::Text("software\\BAUM\\alpha"));
    EXPECT_EQ(component.Name(), "alpha");
    component.WalkSubkeys(recorder, 0);
    EXPECT_EQ(recorder.nodes, (Reported{{"Beta", 1}, {"Delta", 1}}));
}

TEST_F(StoreComponentTest, OpenKeyRefusesAnEmptyPathComponent)
{
    for (const char* path : {"SOFTWARE\\Baum\\", "\\SOFTWARE\\Baum", "SOFTWARE\\\\Baum", ""}) {
        EXPECT_THROW(component.OpenKey(kHkeyLocalMachine, TaggedValue::Text(path)), Failure) << path;
    }
}

TEST_F(StoreComponentTest, BindToHiveWithAWholeNumberBindsToTheHiveItself)
{
    registry.CreateKey("HKEY_USERS\\S-1-5-21-1\\Software");
    registry.CreateKey("HKEY_USERS\\.DEFAULT");
    component.OpenKey(kBindToHive, TaggedValue::Whole(static_cast<std::int32_t>(kHkeyUsers)));
    EXPECT_EQ(component.Name(), "HKEY_USERS");
    component.WalkSubkeys(recorder, 0);
    EXPECT_EQ(recorder.nodes, (Reported{{".DEFAULT", 1}, {"S-1-5-21-1", 1}}));
    // Paths given to DeleteKey are then taken below the hive.
    EXPECT_TRUE(component.DeleteKey(TaggedValue::Text("S-1-5-21-1\\Software"), TaggedValue::Truth(true)));
    EXPECT_FALSE(registry.KeyExists("HKEY_USERS\\S-1-5-21-1\\Software"));
    EXPECT_TRUE(registry.KeyExists("HKEY_USERS\\S-1-5-21-1"));
}

TEST_F(StoreComponentTest, BindToHiveNeedsAWholeNumberNamingAHive)
{
    EXPECT_THROW(component.OpenKey(kBindToHive, TaggedValue::Text("HKEY_USERS")), Failure);
    EXPECT_THROW(component.OpenKey(kBindToHive, TaggedValue::Whole(0)), Failure);
}

TEST_F(StoreComponentTest, WalkTreeReportsEveryKeyBelowTheStartInPreorderWithItsDepth)
{
    StoreComponent& tree = Tree();
    tree.WalkTree(recorder, tree, 0);
    // The start key is not reported, each key comes before the keys below it, one subtree is
    // finished before the next begins, and values are not reported at all.
    EXPECT_EQ(recorder.nodes, (Reported{{"Alpha", 1}, {"Beta", 2}, {"Gamma", 3}, {"Delta", 2}, {"Epsilon", 1}}));
    EXPECT_TRUE(recorder.items.empty());
}

// On Windows every store call is a system call, under Wine a round trip to its server: a walk
// asks once for each key, and no more.
TEST_F(StoreComponentTest, AWalkOpensAndListsEachKeyOnceAndReadsOnlyWhatTheCallbackAsksFor)
{
    testing::CountingStore counting(registry);
    StoreComponent tree(counting);
    tree.OpenKey(kHkeyLocalMachine, TaggedValue::Text("SOFTWARE\\Baum"));
    const testing::StoreCalls opened = counting.Calls();
    Recorder items;
    recorder.onNode = [&](RegistryComponent& node) { node.WalkItems(items, 0); };
    tree.WalkTree(recorder, tree, 0);
    const testing::StoreCalls& calls = counting.Calls();
    constexpr std::uint64_t kKeys = 6; // Baum and the five below it
    EXPECT_EQ(calls.opens - opened.opens, kKeys - 1);
    EXPECT_EQ(calls.subkeyLists - opened.subkeyLists, kKeys);
    EXPECT_EQ(calls.valueLists - opened.valueLists, kKeys - 1);
    EXPECT_EQ(calls.valueReads + calls.identities + calls.deletes, 0U);
}

TEST_F(StoreComponentTest, WalkTreeHandsEachCallbackANodeBoundToTheReportedKey)
{
    StoreComponent& tree = Tree();
    std::vector<TaggedValue> defaults;
    recorder.onNode = [&](RegistryComponent& node) { defaults.push_back(node.DefaultValue()); };
    tree.WalkTree(recorder, tree, 0);
    ASSERT_EQ(defaults.size(), 5u);
    EXPECT_EQ(defaults[3], TaggedValue::Text("d")); // Delta
    EXPECT_EQ(defaults[0].Tag(), ValueTag::Other);  // Alpha has no unnamed value
}

TEST_F(StoreComponentTest, WalkSubkeysReportsTheDirectSubkeysAtLevelOne)
{
    Tree().WalkSubkeys(recorder, 0);
    EXPECT_EQ(recorder.nodes, (Reported{{"Alpha", 1}, {"Epsilon", 1}}));
}

TEST_F(StoreComponentTest, WalkItemsReportsEveryValueTheUnnamedOneIncluded)
{
    Tree().WalkItems(recorder, 0);
    ASSERT_EQ(recorder.items.size(), 2u);
    EXPECT_EQ(recorder.items[0], (std::pair<std::string, TaggedValue>{"", TaggedValue::Text("Wurzel")}));
    EXPECT_EQ(recorder.items[1], (std::pair<std::string, TaggedValue>{"Zahl", TaggedValue::Whole(1)}));
    EXPECT_TRUE(recorder.nodes.empty());
}

TEST_F(StoreComponentTest, ACallbackFailureIsPassedOverAndTheWalkGoesOn)
{
    recorder.onNode = [](RegistryComponent&) { throw Failure("callback failed"); };
    recorder.onItem = [](RegistryItem&) { throw Failure("callback failed"); };
    StoreComponent& tree = Tree();
    tree.WalkTree(recorder, tree, 0);
    EXPECT_EQ(recorder.nodes.size(), 5u); // the keys below a failing one too
    recorder.nodes.clear();
    tree.WalkSubkeys(recorder, 0);
    EXPECT_EQ(recorder.nodes.size(), 2u);
    tree.WalkItems(recorder, 0);
    EXPECT_EQ(recorder.items.size(), 2u);
}

TEST_F(StoreComponentTest, ACallbackMayDeleteTheReportedKeyOrALaterSiblingDuringTheWalk)
{
    StoreComponent& tree = Tree();
    recorder.onNode = [&](RegistryComponent& node) {
        if (node.Name() == "Alpha") {
            EXPECT_TRUE(registry.DeleteKey(Below("Alpha")));
            EXPECT_TRUE(registry.DeleteKey(Below("Epsilon")));
            // The node outlives its key and only fails from now on.
            EXPECT_EQ(node.DefaultValue().Tag(), ValueTag::Other);
            EXPECT_THROW((void)node.GetItem(TaggedValue::Text("x")), Failure);
        }
    };
    tree.WalkTree(recorder, tree, 0);
    EXPECT_EQ(recorder.nodes, (Reported{{"Alpha", 1}}));

    for (const char* name : {"Eins", "Zwei", "Drei"}) {
        registry.CreateKey(Below(name));
    }
    recorder.nodes.clear();
    recorder.onNode = [&](RegistryComponent& node) {
        if (node.Name() == "Drei") {
            EXPECT_TRUE(registry.DeleteKey(Below("Drei")));
            EXPECT_TRUE(registry.DeleteKey(Below("Zwei")));
        }
    };
    tree.WalkSubkeys(recorder, 0);
    EXPECT_EQ(recorder.nodes, (Reported{{"Drei", 1}, {"Eins", 1}}));
}

TEST_F(StoreComponentTest, ACallbackThatRebindsTheWalkingObjectDoesNotDisturbTheWalk)
{
    StoreComponent& tree = Tree();
    recorder.onNode = [&](RegistryComponent&) {
        EXPECT_THROW(tree.OpenKey(kHkeyLocalMachine, TaggedValue::Text("SOFTWARE\\Fehlt")), Failure);
    };
    tree.WalkSubkeys(recorder, 0);
    EXPECT_EQ(recorder.nodes, (Reported{{"Alpha", 1}, {"Epsilon", 1}}));

    recorder.nodes.clear();
    Tree();
    tree.WalkTree(recorder, tree, 0);
    EXPECT_EQ(recorder.nodes.size(), 5u);
}

TEST_F(StoreComponentTest, AKeyTheWalkCannotOpenOrEnumerateIsPassedOver)
{
    registry.DenyOpen(Below("Alpha\\Beta"));
    registry.FailEnumeration(Below("Alpha\\Delta"));
    registry.CreateKey(Below("Alpha\\Delta\\Tief"));
    StoreComponent& tree = Tree();
    tree.WalkTree(recorder, tree, 0);
    EXPECT_EQ(recorder.nodes, (Reported{{"Alpha", 1}, {"Delta", 2}, {"Epsilon", 1}}));

    registry.DenyOpen(Below("Epsilon"));
    recorder.nodes.clear();
    tree.WalkSubkeys(recorder, 0);
    EXPECT_EQ(recorder.nodes, (Reported{{"Alpha", 1}}));
}

TEST_F(StoreComponentTest, AWalkStopsAtTheRegistrysDepthLimitAndPassesOverNamesWithANul)
{
    // Deeper than Windows allows: the walk ends at level 512 instead of at the end of the stack.
    std::string deep = Below("Epsilon");
    for (int level = 2; level <= 600; ++level) {
        deep += "\\k";
    }
    registry.CreateKey(deep);
    registry.CreateKey(Below(std::string("Alpha\\Nu\0ll", 13)));
    StoreComponent& tree = Tree();
    tree.WalkTree(recorder, tree, 0);
    EXPECT_EQ(recorder.nodes.back(), (std::pair<std::string, std::int32_t>{"k", 512}));
    for (const auto& [name, level] : recorder.nodes) {
        EXPECT_EQ(name.find('\0'), std::string::npos);
    }
}

TEST_F(StoreComponentTest, AStartKeyThatCannotBeEnumeratedFailsTheWalk)
{
    registry.FailEnumeration(std::string(kTree));
    StoreComponent& tree = Tree();
    EXPECT_THROW(tree.WalkTree(recorder, tree, 0), Failure);
    EXPECT_THROW(tree.WalkSubkeys(recorder, 0), Failure);
    EXPECT_THROW(tree.WalkItems(recorder, 0), Failure);
    EXPECT_TRUE(recorder.nodes.empty());
}

TEST_F(StoreComponentTest, DeleteKeyRemovesTheWholeTreeAndIsFalseForAMissingKey)
{
    component.OpenKey(kBindToHive, TaggedValue::Whole(static_cast<std::int32_t>(kHkeyLocalMachine)));
    EXPECT_TRUE(component.DeleteKey(TaggedValue::Text("SOFTWARE\\Baum\\Alpha"), TaggedValue::Truth(true)));
    EXPECT_FALSE(registry.KeyExists(Below("Alpha\\Beta\\Gamma")));
    EXPECT_FALSE(registry.KeyExists(Below("Alpha")));
    EXPECT_TRUE(registry.KeyExists(Below("Epsilon")));
    EXPECT_FALSE(component.DeleteKey(TaggedValue::Text("SOFTWARE\\Baum\\Alpha"), TaggedValue::Truth(true)));
    EXPECT_FALSE(component.DeleteKey(TaggedValue::Text("SOFTWARE\\Baum\\"), TaggedValue::Truth(true)));
    EXPECT_TRUE(registry.KeyExists(std::string(kTree)));
}

TEST_F(StoreComponentTest, DeleteKeyThroughClassesRootRemovesTheMachineClassKey)
{
    registry.CreateKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{1}\\InprocServer32");
    component.OpenKey(kBindToHive, TaggedValue::Whole(static_cast<std::int32_t>(kHkeyClassesRoot)));
    EXPECT_TRUE(component.DeleteKey(TaggedValue::Text("CLSID\\{1}"), TaggedValue::Truth(true)));
    EXPECT_FALSE(registry.KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{1}"));
    component.OpenKey(kBindToHive, TaggedValue::Whole(static_cast<std::int32_t>(kHkeyLocalMachine)));
    EXPECT_FALSE(component.DeleteKey(TaggedValue::Text("SOFTWARE\\Classes\\CLSID\\{1}"), TaggedValue::Truth(true)));
}

TEST_F(StoreComponentTest, ValuesAreTaggedTextWholeOrOtherByTheirRegistryType)
{
    const auto tagOf = [](std::uint32_t type, std::string data) { return TaggedValueOf(RawValue{"v", type, std::move(data)}); };
    using namespace std::string_literals;
    EXPECT_EQ(tagOf(kRegSz, "C\0:\0\0\0"s), TaggedValue::Text("C:"));
    EXPECT_EQ(tagOf(kRegSz, "a\0\0\0b\0\0\0"s), TaggedValue::Text("a")); // up to the first NUL
    EXPECT_EQ(tagOf(kRegSz, "\xE4\0"s), TaggedValue::Text("\u00e4"));    // no NUL stored at all
    EXPECT_EQ(tagOf(kRegExpandSz, "%\0W\0%\0\0\0"s), TaggedValue::Text("%W%")); // not expanded
    EXPECT_EQ(tagOf(kRegDword, "\x0a\0\0\0"s), TaggedValue::Whole(10));
    EXPECT_EQ(tagOf(kRegDword, "\xff\xff\xff\xff"s), TaggedValue::Whole(-1));
    for (const auto& [type, data] : std::vector<std::pair<std::uint32_t, std::string>>{
             {kRegDword, "\x0a\0\0"s},
             {kRegBinary, "C\0:\0\0\0"s},
             {kRegMultiSz, "a\0\0\0\0\0"s},
             {kRegQword, "\x01\0\0\0\0\0\0\0"s},
             {kRegNone, ""s},
         }) {
        EXPECT_EQ(tagOf(type, data).Tag(), ValueTag::Other) << type;
    }
}

TEST_F(StoreComponentTest, DefaultValueIsOtherWhenThereIsNoneAndGetItemFailsForAMissingValue)
{
    component.OpenKey(kHkeyLocalMachine, TaggedValue::Text("SOFTWARE\\Baum\\Epsilon"));
    EXPECT_EQ(component.DefaultValue().Tag(), ValueTag::Other);
    EXPECT_THROW((void)component.GetItem(TaggedValue::Text("Fehlt")), Failure);
    (void)Tree();
    EXPECT_EQ(component.GetItem(TaggedValue::Text("zahl"))->Value(), TaggedValue::Whole(1));
    EXPECT_EQ(component.GetItem(TaggedValue::Text(""))->Value(), TaggedValue::Text("Wurzel"));
}

TEST_F(StoreComponentTest, TheEndOfTheProgramPassesThroughEveryWalkUncaught)
{
    recorder.onNode = [](RegistryComponent&) { throw sim::ProgramEnded{}; };
    recorder.onItem = [](RegistryItem&) { throw sim::ProgramEnded{}; };
    StoreComponent& tree = Tree();
    EXPECT_THROW(tree.WalkTree(recorder, tree, 0), sim::ProgramEnded);
    EXPECT_THROW(tree.WalkSubkeys(recorder, 0), sim::ProgramEnded);
    EXPECT_THROW(tree.WalkItems(recorder, 0), sim::ProgramEnded);
    EXPECT_EQ(recorder.nodes.size(), 2u); // one report each, nothing after it
    EXPECT_EQ(recorder.items.size(), 1u);
}

} // namespace
} // namespace hivetidy
