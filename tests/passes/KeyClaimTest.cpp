// Registry texts become key names only where their own keys say they belong to the class, and a
// run that could not delete everything says so.

#include "support/ProgramFixture.h"

#include "passes/KeyClaim.h"
#include "shared/Text.h"

#include <stdexcept>

namespace hivetidy::testing {
namespace {

constexpr std::string_view kClassA = "{A0000000-0000-0000-0000-00000000000A}";
constexpr std::string_view kClassB = "{B0000000-0000-0000-0000-00000000000B}";
constexpr std::string_view kMixedLib = "{E1000000-0000-0000-0000-00000000000E}";
constexpr std::string_view kSystemClass = "{00020400-0000-0000-C000-000000000046}";
constexpr std::string_view kStdole = "{00020430-0000-0000-C000-000000000046}";
constexpr std::string_view kUserClasses = "HKEY_CURRENT_USER\\Software\\Classes\\";
constexpr std::string_view kMachineClasses = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\";

TEST(ProgIdForm, TakesWhatRealRegistrationsUseAndNothingStructural)
{
    for (const char* good : {"Omx.Achse.1", "SQLOLEDB ErrorLookup.1", "\u00c4rger.Objekt", "Omx_Tool-2.Main",
                             "\u0420\u043e\u0431\u043e\u0442.1", "Abcdefghijklmnopqrstuvwxyz.0123456789ab",
                             // 39 characters, 43 UTF-8 bytes: catches a length counted in bytes.
                             "\u00c4nderungsz\u00e4hler.\u00dcberwachungsger\u00e4t.12345"}) {
        EXPECT_TRUE(HasProgIdForm(good)) << good;
    }
    for (const char* bad : {"CLSID", "exefile", "Component Categories", ".txt", "*", "", "1Omx.Achse",
                            "Omx\\Achse.1", "Omx.Achse;1", "Omx.Achse\u00a71", "Abcdefghijklmnopqrstuvwxyz.0123456789abc",
                            "Omx/Achse.1", "Omx.Achse\t1",
                            // The signs amid the Latin-1 letters: catches a letter range that takes either in.
                            "Omx.Achse\u00d71", "Omx.Achse\u00f71"}) {
        EXPECT_FALSE(HasProgIdForm(bad)) << bad;
    }
    EXPECT_TRUE(IsBracedGuid("{a0000000-0000-0000-0000-00000000000a}"));
    EXPECT_FALSE(IsBracedGuid("a0000000-0000-0000-0000-00000000000a"));
}

class KeyClaims : public ProgramFixture {
protected:
    KeyClaims() { Files().AddDirectory("C:\\Programme\\OMX\\BIN", std::nullopt); }

    // A controller class below HKEY_CLASSES_ROOT (the machine's) with ProgID and TypeLib texts.
    void AddControllerClass(std::string_view progId, std::string_view typeLib)
    {
        AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll", {}, typeLib);
        if (!progId.empty()) {
            Registry().SetString(std::string(kClsid) + std::string(kClassA) + "\\ProgID", "", std::string(progId));
        }
    }

    void ProgIdKey(std::string_view classesKey, std::string_view progId, std::string_view names)
    {
        Registry().SetString(std::string(classesKey) + std::string(progId) + "\\CLSID", "", std::string(names));
    }
};

TEST_F(KeyClaims, EachHalfOfAProgIdPairGoesOnlyWhereItsOwnKeyNamesTheClass)
{
    AddControllerClass("Omx.Achse.1", "");
    // The user's key names the class (in other letters); the machine's one names another class.
    ProgIdKey(kUserClasses, "Omx.Achse.1", ToUpperText(kClassA));
    ProgIdKey(kMachineClasses, "Omx.Achse.1", kSystemClass);
    // A second ProgID that both keys own, the user's and the machine's.
    AddClass("{A1000000-0000-0000-0000-00000000000A}", "C:\\Programme\\OMX\\BIN\\b.dll", "Omx.Beide.1");
    ProgIdKey(kUserClasses, "Omx.Beide.1", "{a1000000-0000-0000-0000-00000000000a}");

    EXPECT_FALSE(Run());

    // HKEY_CLASSES_ROOT's name of a ProgID the user has reaches his key: it is saved and logged as his.
    EXPECT_EQ(LoggedKeys(), (std::vector<std::string>{
                                "[HKEY_CURRENT_USER\\Software\\Classes\\Omx.Achse.1]",
                                "[HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kClassA) + "]",
                                "[HKEY_CURRENT_USER\\Software\\Classes\\Omx.Beide.1]",
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Omx.Beide.1]",
                                "[HKEY_CLASSES_ROOT\\CLSID\\{A1000000-0000-0000-0000-00000000000A}]",
                            }));
    EXPECT_TRUE(Registry().KeyExists(std::string(kMachineClasses) + "Omx.Achse.1"));
}

TEST_F(KeyClaims, AUsersClassOrTypeLibraryNeverTakesTheMachinesKeyOfThatName)
{
    // A per-user class with a system class's identifier and type library, served from the
    // controller folders: the user's keys go, the machine's stay.
    const std::string userClass = std::string(kUserClasses) + "CLSID\\" + std::string(kSystemClass);
    Registry().SetString(userClass + "\\InprocServer32", "", "C:\\Programme\\OMX\\BIN\\falle.dll");
    Registry().SetString(userClass + "\\TypeLib", "", std::string(kStdole));
    Registry().SetString(std::string(kUserClasses) + "TypeLib\\" + std::string(kStdole) + "\\2.0\\0\\win32", "",
                         "C:\\Programme\\OMX\\LIB\\falle.tlb");
    const std::string machineClass = std::string(kMachineClasses) + "CLSID\\" + std::string(kSystemClass);
    Registry().SetString(machineClass + "\\InprocServer32", "", "C:\\Windows\\System32\\oleaut32.dll");
    Registry().SetString(std::string(kMachineClasses) + "TypeLib\\" + std::string(kStdole) + "\\2.0\\0\\win32", "",
                         "C:\\Windows\\System32\\stdole2.tlb");

    EXPECT_FALSE(Run());

    EXPECT_FALSE(Registry().KeyExists(userClass));
    EXPECT_TRUE(Registry().KeyExists(machineClass + "\\InprocServer32"));
    EXPECT_TRUE(Registry().KeyExists(std::string(kMachineClasses) + "TypeLib\\" + std::string(kStdole) + "\\2.0\\0\\win32"));
}

TEST_F(KeyClaims, AClasssTypeLibraryGoesOnlyWhenEveryFileOfItIsTheControllers)
{
    // The shared system library that a controller class names: its file is no controller file.
    AddControllerClass("", kStdole);
    AddTypeLib(kStdole, "C:\\Windows\\System32\\stdole2.tlb", "2.0");

    EXPECT_FALSE(Run());

    EXPECT_EQ(LoggedKeys(), std::vector<std::string>{"[HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kClassA) + "]"});
    EXPECT_TRUE(Registry().KeyExists(std::string(kTypeLib) + std::string(kStdole) + "\\2.0\\0\\win32"));
}

// Catches a class pass that takes the library when ANY of its files is the controller's
// (TypeLibFiles::AllInside as m_inside alone).
TEST_F(KeyClaims, AClassLeavesItsTypeLibraryWhenOneFileOfItIsSomeoneElses)
{
    AddControllerClass("", kMixedLib);
    AddTypeLib(kMixedLib, "C:\\Programme\\OMX\\LIB\\omx.tlb");
    Registry().SetString(std::string(kTypeLib) + std::string(kMixedLib) + "\\1.0\\0\\win64", "", "C:\\Windows\\System32\\x.dll");
    // The type-library pass takes any library with a file in the controller folders, so the run
    // is ended before it: at the yield after this class's removals.
    Window().SetYieldHook([&](int) {
        if (!LoggedKeys().empty()) {
            Window().PostClick(Control::Command2);
        }
    });

    EXPECT_TRUE(Run());

    EXPECT_FALSE(Registry().KeyExists(std::string(kClsid) + std::string(kClassA)));
    EXPECT_TRUE(Registry().KeyExists(std::string(kTypeLib) + std::string(kMixedLib) + "\\1.0\\0\\win32"));
    EXPECT_TRUE(Registry().KeyExists(std::string(kTypeLib) + std::string(kMixedLib) + "\\1.0\\0\\win64"));
}

// Catches each wrong turn of the one type-library rule: a library that names no file of its own
// taken for shared (kept as "Geh\u00f6rt auch anderer Software" for other software that is not
// there), one with a key that cannot be read told as shared, one naming a file elsewhere taken
// whole, and one that refers nowhere into the controller folders claimed at all.
TEST(TypeLibRule, TheControllersUnlessItNamesAFileElsewhereAndNeverSharedWhenUnreadable)
{
    struct Row {
        TypeLibFindings found; // controller file, other file, unreadable, refers to the controller
        KeyClaim claim;
    };
    const Row rows[] = {
        {{true, false, false, true}, KeyClaim::Controllers},  // every file the controller's
        {{false, false, false, true}, KeyClaim::Controllers}, // no file, a HELPDIR into the folders
        {{true, true, false, true}, KeyClaim::Shared},        // a file elsewhere besides
        {{false, true, false, true}, KeyClaim::Shared},       // files elsewhere, a HELPDIR into the folders
        {{true, false, true, true}, KeyClaim::Unreadable},
        {{false, false, true, true}, KeyClaim::Unreadable},
        {{true, true, true, true}, KeyClaim::Unreadable},     // unreadable wins over shared
        {{false, true, false, false}, KeyClaim::Foreign},     // another maker's library
        {{false, false, false, false}, KeyClaim::Foreign},
        {{false, true, true, false}, KeyClaim::Foreign},
    };
    for (const Row& row : rows) {
        const TypeLibFindings& f = row.found;
        EXPECT_EQ(ClaimOfTypeLib(f), row.claim)
            << f.controllerFile << f.otherFile << f.unreadable << f.refersToController;
    }
}

// A type library that names no file of its own, only a HELPDIR into the controller folders, met
// by either route; and the same library with a key that cannot be read.
struct HelpOnlyLibraryRow {
    const char* name;
    bool namedByAClass; // the class route; otherwise the type-library pass alone finds it
    bool aKeyUnreadable;
};

class HelpOnlyLibrary : public KeyClaims, public ::testing::WithParamInterface<HelpOnlyLibraryRow> {};

// Catches a route that judges the library by a rule of its own, or a rule that keeps a library
// without files as shared, or tells an unreadable one as "Geh\u00f6rt auch anderer Software"
// instead of "Nicht vollst\u00e4ndig lesbar".
TEST_P(HelpOnlyLibrary, GoesLikeAnyControllerLibraryAndStaysOnlyAsUnreadable)
{
    const std::string library = std::string(kTypeLib) + std::string(kMixedLib);
    Registry().SetString(library + "\\1.0", "", "Hilfe");
    Registry().SetString(library + "\\1.0\\FLAGS", "", "0");
    Registry().SetString(library + "\\1.0\\HELPDIR", "", "C:\\Programme\\OMX\\LIB\\Hilfe");
    if (GetParam().namedByAClass) {
        AddControllerClass("", kMixedLib);
    }
    if (GetParam().aKeyUnreadable) {
        Registry().SetString(library + "\\1.0\\0\\win32", "", "C:\\Programme\\OMX\\LIB\\hilfe.tlb");
        Registry().FailEnumeration(library + "\\1.0\\0\\win32");
        sim.dialogs().QueueMessageBoxAnswer(1); // the partial run's message
    }

    EXPECT_FALSE(Run());

    const std::vector<std::string> logged = LoggedKeys();
    ASSERT_FALSE(logged.empty());
    const std::string name = "HKEY_CLASSES_ROOT\\TypeLib\\" + std::string(kMixedLib);
    if (GetParam().aKeyUnreadable) {
        EXPECT_TRUE(Registry().KeyExists(library));
        EXPECT_EQ(logged.back(), "Nicht vollst\xE4ndig lesbar: " + name);
    } else {
        EXPECT_FALSE(Registry().KeyExists(library));
        EXPECT_EQ(logged.back(), "[" + name + "]");
        EXPECT_EQ(sim.system().BeepCount(), 2);
    }
}

INSTANTIATE_TEST_SUITE_P(BothRoutes, HelpOnlyLibrary,
                         ::testing::Values(HelpOnlyLibraryRow{"ClassRoute", true, false},
                                           HelpOnlyLibraryRow{"TypeLibraryPass", false, false},
                                           HelpOnlyLibraryRow{"ClassRouteUnreadable", true, true},
                                           HelpOnlyLibraryRow{"TypeLibraryPassUnreadable", false, true}),
                         [](const ::testing::TestParamInfo<HelpOnlyLibraryRow>& info) { return std::string(info.param.name); });

// What makes a run delete less than it set out to, after it removed a first key.
enum class Shortfall { KeyDeletedInPart, LogStopsTakingWrites, BackupStopsTakingWrites };

class ShortRun : public KeyClaims, public ::testing::WithParamInterface<Shortfall> {};

std::string ShortfallName(const ::testing::TestParamInfo<Shortfall>& info)
{
    constexpr const char* kNames[] = {"KeyDeletedInPart", "LogStopsTakingWrites", "BackupStopsTakingWrites"};
    return kNames[static_cast<int>(info.param)];
}

// Catches an ending that forgets one cause: a run whose outcome ignores broken files or keys deleted
// in part beeps twice and shows the Undo hint for a run whose files failed.
TEST_P(ShortRun, EndsWithoutBeepsAndTellsTheUserWithTheFiles)
{
    AddControllerClass("", "");
    AddClass(kClassB, "C:\\Programme\\OMX\\BIN\\b.dll");
    const std::string classA = "[HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kClassA) + "]";
    std::vector<std::string> logged{classA};
    std::string told;
    const auto afterFirstRemoval = [&](std::string_view file) {
        Window().SetYieldHook([&, file](int) {
            if (!LoggedKeys().empty()) {
                Files().FailWritesTo(file);
            }
        });
    };
    switch (GetParam()) {
    case Shortfall::KeyDeletedInPart:
        Registry().SetString(std::string(kClsid) + std::string(kClassB) + "\\Version", "", "1.0"); // what can go
        Registry().FailDeletePartWay(std::string(kClsid) + std::string(kClassB) + "\\InprocServer32");
        logged.push_back("[HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kClassB) + "]");
        told = "Gel\u00f6scht: 2 Schl\u00fcssel, davon 1 nur zum Teil.";
        break;
    case Shortfall::LogStopsTakingWrites:
        afterFirstRemoval(kLogPath);
        told = "Die Sicherungskopie oder das L\u00f6schprotokoll konnte nicht mehr geschrieben werden";
        break;
    case Shortfall::BackupStopsTakingWrites:
        afterFirstRemoval(kBackupPath);
        // The log still takes the key that could not be saved, after the removed one.
        logged.insert(logged.end(), {"", "Folgende Knoten wurden nicht gel\xF6scht :", "=========================================",
                                     "", "L\xF6schen eingestellt: HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kClassB)});
        told = "Die Sicherungskopie oder das L\u00f6schprotokoll konnte nicht mehr geschrieben werden";
        break;
    }
    sim.dialogs().QueueMessageBoxAnswer(1);

    EXPECT_FALSE(Run());

    EXPECT_EQ(LoggedKeys(), logged);
    ASSERT_EQ(sim.dialogs().MessageBoxesShown().size(), 1u);
    const std::string& text = sim.dialogs().MessageBoxesShown()[0].text;
    EXPECT_NE(text.find(told), std::string::npos) << text;
    EXPECT_NE(text.find(std::string(kBackupPath)), std::string::npos) << text;
    EXPECT_NE(text.find(std::string(kLogPath)), std::string::npos) << text;
    EXPECT_EQ(Window().State(Control::Label2).caption, kPartialHint);
    EXPECT_EQ(Window().State(Control::Command2).caption, "E&xit");
    EXPECT_TRUE(Window().State(Control::Command3).enabled);
    EXPECT_EQ(sim.system().BeepCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(EachShortfall, ShortRun,
                         ::testing::Values(Shortfall::KeyDeletedInPart, Shortfall::LogStopsTakingWrites,
                                           Shortfall::BackupStopsTakingWrites),
                         ShortfallName);

TEST_F(KeyClaims, AnyExceptionEndsTheRunWithItsFilesClosedAndTheTruthTold)
{
    AddControllerClass("", "");
    AddAppPath("Achse.exe", "C:\\Programme\\OMX\\BIN\\Achse.exe");
    // Something no idiom of the program expects, in the middle of the second pass.
    sim.processes().SetStartHook([](const std::string& commandLine) {
        if (commandLine.find("App Paths") != std::string::npos) {
            throw std::length_error("kaputt");
        }
    });
    sim.dialogs().QueueMessageBoxAnswer(1);

    EXPECT_FALSE(Run());

    ASSERT_EQ(sim.dialogs().MessageBoxesShown().size(), 1u);
    const std::string& text = sim.dialogs().MessageBoxesShown()[0].text;
    EXPECT_NE(text.find("sind in der Sicherungskopie " + std::string(kBackupPath) + " gesichert"), std::string::npos) << text;
    EXPECT_FALSE(form.Run().Files().Numbers().IsOpen(1));
    EXPECT_FALSE(form.Run().Files().Numbers().IsOpen(2));
    EXPECT_EQ(LoggedKeys(), std::vector<std::string>{"[HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kClassA) + "]"});
    EXPECT_TRUE(Window().State(Control::Command3).enabled);
}

} // namespace
} // namespace hivetidy::testing
