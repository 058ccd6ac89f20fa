#include "support/ProgramFixture.h"

#include "passes/ClassKeyCollector.h"

namespace hivetidy::testing {
namespace {

constexpr std::string_view kClassA = "{A0000000-0000-0000-0000-00000000000A}";
constexpr std::string_view kClassB = "{B0000000-0000-0000-0000-00000000000B}";
constexpr std::string_view kLibX = "{C0000000-0000-0000-0000-00000000000C}";
constexpr std::string_view kLibY = "{D0000000-0000-0000-0000-00000000000D}";

// The collectors walked over the simulated registry as the run walks them.
class Collectors : public ProgramFixture {
protected:
    Collectors()
    {
        form.Run().State().InstallFolder = "Programme";
        form.Run().State().InstallFolderShort = "Progra~1";
        form.Run().State().InvalidClasses.Reset();
        form.Run().State().InvalidKeyNames.Reset();
    }

    void Walk(RootHandle root, std::string_view path, IUseRegItems& callback, bool tree = false)
    {
        auto component = platform.components.Create();
        component->OpenKey(root, TaggedValue::Text(path));
        if (tree) {
            component->WalkTree(callback, *component, 0);
        } else {
            component->WalkSubkeys(callback, 0);
        }
    }

    const ProgramList<ClassEntry>& CollectClasses()
    {
        Walk(kHkeyClassesRoot, "CLSID", collector);
        return form.Run().State().InvalidClasses;
    }

    std::vector<std::string> CollectNames(RootHandle root, std::string_view path, IUseRegItems& callback, bool tree)
    {
        Walk(root, path, callback, tree);
        std::vector<std::string> names;
        for (int i = 1; i <= form.Run().State().InvalidKeyNames.UpperBound(); ++i) {
            names.push_back(form.Run().State().InvalidKeyNames[i]);
        }
        return names;
    }

    CallbackObjects objects{form.Run().State(), platform.components, [] {}};
    // Yields as the run's own collector does: to the driver.
    ClassKeyCollector collector{form.Run().State(), objects, [this] { static_cast<RunDriver&>(form).Yield(); }};
};

TEST_F(Collectors, RecordsAControllerClassWithItsProgIdAndNoTypeLib)
{
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\x.dll", "Omx.Achse.1");
    AddClass(kClassB, "C:\\Windows\\System32\\ole32.dll", "Fremd.1");
    const auto& classes = CollectClasses();
    ASSERT_EQ(classes.UpperBound(), 1);
    EXPECT_EQ(classes[1], (ClassEntry{"Omx.Achse.1", std::string(kClassA), ""}));
}

TEST_F(Collectors, StartsEveryClassWithAClearState)
{
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll", "Omx.A.1", kLibX);
    AddClass(kClassB, "C:\\Programme\\OMX\\BIN\\b.dll");
    const auto& classes = CollectClasses();
    ASSERT_EQ(classes.UpperBound(), 2);
    EXPECT_EQ(classes[2], (ClassEntry{"", std::string(kClassB), ""}));
}

TEST_F(Collectors, NeverTestsTheValuesOfProgIdAndTypeLibKeys)
{
    AddClass(kClassA, "C:\\Windows\\a.dll");
    Registry().SetString(std::string(kClsid) + std::string(kClassA) + "\\ProgID", "", "C:\\Programme\\OMX\\BIN\\x.exe");
    Registry().SetString(std::string(kClsid) + std::string(kClassA) + "\\TypeLib", "", "C:\\Programme\\OMX\\LIB\\x.tlb");
    EXPECT_EQ(CollectClasses().UpperBound(), 0);
}

TEST_F(Collectors, FindsAClassThroughItsTypeLibraryAlone)
{
    AddClass(kClassA, "C:\\Windows\\a.dll", "", kLibX);
    AddTypeLib(kLibX, "C:\\Programme\\OMX\\LIB\\achse.tlb");
    const auto& classes = CollectClasses();
    ASSERT_EQ(classes.UpperBound(), 1);
    EXPECT_EQ(classes[1], (ClassEntry{"", std::string(kClassA), std::string(kLibX)}));
}

// A type library is walked once per pass; what it says must reach every class naming it, and
// nothing another class found must stick to it.
TEST_F(Collectors, ATypeLibrarysVerdictHoldsForEveryClassThatNamesIt)
{
    constexpr std::string_view kClassC = "{C1000000-0000-0000-0000-0000000000C1}";
    constexpr std::string_view kClassD = "{D1000000-0000-0000-0000-0000000000D1}";
    AddTypeLib(kLibX, "C:\\Windows\\fremd.tlb");
    AddTypeLib(kLibY, "C:\\Programme\\OMX\\LIB\\achse.tlb");
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll", "", kLibX);
    AddClass(kClassB, "C:\\Windows\\b.dll", "", kLibX);
    AddClass(kClassC, "C:\\Windows\\c.dll", "", kLibY);
    AddClass(kClassD, "C:\\Windows\\d.dll", "", kLibY);
    const auto& classes = CollectClasses();
    ASSERT_EQ(classes.UpperBound(), 3);
    EXPECT_EQ(classes[1].ClassId, kClassA);
    EXPECT_EQ(classes[2].ClassId, kClassC);
    EXPECT_EQ(classes[3].ClassId, kClassD);
}

TEST_F(Collectors, KeepsTheTypeLibIdOfALibraryThatIsNotThere)
{
    AddClass(kClassA, "C:\\Progra~1\\OMX\\UTIL\\a.exe", "", kLibY);
    const auto& classes = CollectClasses();
    ASSERT_EQ(classes.UpperBound(), 1);
    EXPECT_EQ(classes[1].TypeLibId, kLibY);
    EXPECT_TRUE(sim.dialogs().MessageBoxesShown().empty());
}

TEST_F(Collectors, IgnoresNonTextValuesAndTheComponentsOwnLibrary)
{
    AddClass(kClassA, "C:\\Programme\\OMX\\LIB\\ORVAREG.DLL");
    AddClass(kClassB, "C:\\Windows\\b.dll");
    Registry().SetBinary(std::string(kClsid) + std::string(kClassB) + "\\Daten", "Pfad",
                         std::string("C:\\Programme\\OMX\\BIN\\"));
    Registry().SetMultiString(std::string(kClsid) + std::string(kClassB) + "\\Daten", "Liste",
                              {"C:\\Programme\\OMX\\BIN\\x.dll"});
    EXPECT_EQ(CollectClasses().UpperBound(), 0);
}

TEST_F(Collectors, AFailingClassKeyIsPassedOverAndTheWalkGoesOn)
{
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll");
    AddClass(kClassB, "C:\\Programme\\OMX\\BIN\\b.dll");
    Registry().FailEnumeration(std::string(kClsid) + std::string(kClassA));
    const auto& classes = CollectClasses();
    ASSERT_EQ(classes.UpperBound(), 1);
    EXPECT_EQ(classes[1].ClassId, kClassB);
}

TEST_F(Collectors, YieldsAfterEveryClassKey)
{
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll");
    AddClass(kClassB, "C:\\Windows\\b.dll");
    const int before = Window().YieldCount();
    CollectClasses();
    EXPECT_EQ(Window().YieldCount(), before + 2);
}

TEST_F(Collectors, AttributesEveryPassingTypeLibValueToItsDepthOneKey)
{
    AddTypeLib(kLibX, "C:\\Programme\\OMX\\LIB\\x.tlb", "1.0");
    AddTypeLib(kLibX, "C:\\Programme\\OMX\\LIB\\x2.tlb", "2.0");
    AddTypeLib(kLibY, "C:\\Windows\\y.tlb");
    Registry().SetString(std::string(kTypeLib) + "{E0000000-0000-0000-0000-00000000000E}", "", "C:\\Progra~1\\OMX\\LIB\\direkt.tlb");
    AddTypeLib("{F0000000-0000-0000-0000-00000000000F}", "C:\\Programme\\OMX\\LIB\\ORVAREG.DLL");
    const auto names = CollectNames(kHkeyClassesRoot, "TypeLib", objects.TheForm4(), true);
    EXPECT_EQ(names, (std::vector<std::string>{std::string(kLibX), std::string(kLibX),
                                               "{E0000000-0000-0000-0000-00000000000E}"}));
    EXPECT_EQ(objects.TheForm4().CurrentTypeLibKey(), "{F0000000-0000-0000-0000-00000000000F}");
}

TEST_F(Collectors, ListsApplicationPathsByTheirDefaultValueAlone)
{
    AddAppPath("Achse.exe", "C:\\Programme\\OMX\\BIN\\Achse.exe");
    AddAppPath("Quote.exe", "\"C:\\Progra~1\\OMX\\UTIL\\x.exe\"");
    AddAppPath("Eigen.exe", "C:\\Programme\\OMX\\LIB\\ORVAREG.DLL");
    AddAppPath("Notepad.exe", "C:\\Windows\\notepad.exe");
    Registry().SetString(std::string(kAppPaths) + "Other.exe", "Path", "C:\\Programme\\OMX\\BIN\\");
    Registry().SetString(std::string(kAppPaths) + "Deep.exe\\Sub", "", "C:\\Programme\\OMX\\BIN\\x.exe");
    const auto names = CollectNames(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
                                    objects.TheForm5(), false);
    EXPECT_EQ(names, (std::vector<std::string>{"Achse.exe", "Quote.exe"}));
}

TEST_F(Collectors, NothingPassingLeavesTheListWithEntryZeroAlone)
{
    AddTypeLib(kLibY, "C:\\Windows\\y.tlb");
    EXPECT_TRUE(CollectNames(kHkeyClassesRoot, "TypeLib", objects.TheForm4(), true).empty());
    EXPECT_EQ(form.Run().State().InvalidKeyNames.UpperBound(), 0);
}

} // namespace
} // namespace hivetidy::testing
