// Every key a run set out to remove ends removed, removed in part, or kept with its reason, and the
// window, the sounds, the message and the log all say which.

#include "support/ForwardingFileSystem.h"
#include "support/ProgramFixture.h"

#include "shared/Text.h"

#include <functional>

using namespace std::string_literals;

namespace hivetidy::testing {
namespace {

constexpr std::string_view kClassA = "{A0000000-0000-0000-0000-00000000000A}";
constexpr std::string_view kLibX = "{E0000000-0000-0000-0000-00000000000E}";
constexpr std::string_view kExport = "c:\\registry\\hlp.reg";
constexpr std::string_view kUserClasses = "HKEY_CURRENT_USER\\Software\\Classes\\";
constexpr std::string_view kMachineClasses = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\";

class KeysThatStay : public ProgramFixture {
public:
    KeysThatStay() { Files().AddDirectory("C:\\Programme\\OMX\\BIN", std::nullopt); }

    // For the rows of the tables below, which arrange the machine from outside.
    using ProgramFixture::AddClass;
    using ProgramFixture::Files;
    using ProgramFixture::Registry;
    using ProgramFixture::sim;

    // The log's lines after the removed keys: the head of the keys that stayed and their lines.
    std::vector<std::string> NotRemovedLines()
    {
        std::vector<std::string> lines = LoggedKeys();
        const auto head = std::find(lines.begin(), lines.end(), "Folgende Knoten wurden nicht gel\xF6scht :");
        if (head == lines.end()) {
            return {};
        }
        EXPECT_EQ(head - lines.begin() >= 1 ? *(head - 1) : std::string("?"), "");
        return std::vector<std::string>(head + 3, lines.end());
    }

    // The one message box of a run that ended in part.
    std::string PartialMessage()
    {
        const auto& shown = sim.dialogs().MessageBoxesShown();
        EXPECT_EQ(shown.size(), 1u);
        return shown.empty() ? std::string() : shown.front().text;
    }

    // A program whose files go through another file system: start-up and a whole run that saves
    // its backup as the fixture's runs do. The window's events go to it while it lives.
    struct OtherProgram {
        Platform platform;
        std::unique_ptr<Form1> form;
    };
    std::unique_ptr<OtherProgram> RunOver(FileSystem& files)
    {
        const Platform base = sim.Get();
        auto program = std::make_unique<OtherProgram>(
            OtherProgram{Platform{base.components, files, base.processes, base.dialogs, base.window, base.system, base.hives}, nullptr});
        program->form = std::make_unique<Form1>(program->platform);
        Window().SetEvents(program->form.get());
        program->form->Form_Load();
        sim.dialogs().QueueSave(std::string(kBackupPath));
        EXPECT_FALSE(Press(Control::Command1));
        return program;
    }

    // The ending of a run that removed nothing, all it set out to remove having stayed.
    void ExpectNothingRemovedEnding(int stayed)
    {
        const std::string text = PartialMessage();
        EXPECT_TRUE(text.starts_with("Der Bereinigungslauf ist nur zum Teil gelungen.")) << text;
        EXPECT_NE(text.find("Gel\u00f6scht: 0 Schl\u00fcssel."), std::string::npos) << text;
        EXPECT_NE(text.find("Geblieben: " + std::to_string(stayed) + " Schl\u00fcssel."), std::string::npos) << text;
        EXPECT_NE(text.find(std::string(kLogPath)), std::string::npos) << text;
        EXPECT_NE(text.find(std::string(kBackupPath)), std::string::npos) << text;
        EXPECT_EQ(sim.system().BeepCount(), 0);
        EXPECT_EQ(Window().State(Control::Command2).caption, "E&xit");
        EXPECT_FALSE(Window().State(Control::Command3).enabled);
        EXPECT_EQ(Window().State(Control::Label2).caption, kNothingRemovedHint);
    }
};

// One way for a key to stay: what is done to the machine before the run.
struct StayingRow {
    const char* name;
    std::function<void(KeysThatStay&)> arrange;
    std::string_view reason;
};

class StayingWays : public KeysThatStay, public ::testing::WithParamInterface<StayingRow> {};

std::string ClassKey()
{
    return std::string(kClsid) + std::string(kClassA);
}

// Each row catches one removal path that returns in silence, or one that names the wrong reason.
const StayingRow kStayingRows[] = {
    {"NoEditorStarts", [](KeysThatStay& t) { t.sim.processes().FailStarts(true); }, "Export misslungen"},
    {"TheEditorWritesNothing",
     [](KeysThatStay& t) { t.sim.processes().SetExportHook([](const std::string&, const std::string&) { return true; }); },
     "Export misslungen"},
    {"TheEditorCutsTheExportShort",
     [](KeysThatStay& t) {
         t.sim.processes().SetExportHook([&t](const std::string& file, const std::string& key) {
             EXPECT_TRUE(t.sim.processes().Export(file, key));
             const std::string whole = *t.Files().Contents(file);
             t.Files().WriteFile(file, whole.substr(0, whole.size() / 2));
             return true;
         });
     },
     "Export unvollst\xE4ndig"},
    {"SomeoneHoldsTheExportFileOpen",
     [](KeysThatStay& t) {
         t.Files().AddDirectory("C:\\REGISTRY", std::nullopt);
         t.Files().WriteFile(kExport, "untergeschoben");
         t.Files().OpenInOtherProcess(kExport, sim::FileUse::Read, sim::FileUse::Read | sim::FileUse::Write);
     },
     "hlp.reg belegt"},
    {"TheRegistryRefusesTheDelete", [](KeysThatStay& t) { t.Registry().FailDelete(ClassKey()); }, "L\xF6schen verweigert"},
    {"ASubkeyCannotBeRead",
     [](KeysThatStay& t) {
         t.Registry().SetString(ClassKey() + "\\Implemented Categories\\{00}", "", "");
         t.Registry().FailEnumeration(ClassKey() + "\\Implemented Categories");
     },
     "Nicht vollst\xE4ndig lesbar"},
    {"TheBackupTakesNoMoreWrites",
     [](KeysThatStay& t) {
         t.sim.processes().SetExportHook([&t](const std::string&, const std::string&) {
             t.Files().FailWritesTo(kBackupPath); // from the first export on, its head line written
             return false;
         });
     },
     "L\xF6schen eingestellt"},
};

TEST_P(StayingWays, AreToldInTheWindowAndTheLog)
{
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll");
    GetParam().arrange(*this);
    const auto before = Registry().Dump();
    sim.dialogs().QueueMessageBoxAnswer(1);

    EXPECT_FALSE(Run());

    EXPECT_EQ(Registry().Dump(), before);
    EXPECT_EQ(NotRemovedLines(),
              std::vector<std::string>{std::string(GetParam().reason) + ": HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kClassA)});
    ExpectNothingRemovedEnding(1);
}

INSTANTIATE_TEST_SUITE_P(EveryReason, StayingWays, ::testing::ValuesIn(kStayingRows),
                         [](const ::testing::TestParamInfo<StayingRow>& info) { return std::string(info.param.name); });

// Catches a key whose name cannot be quoted for the editor being passed over in silence.
TEST_F(KeysThatStay, AKeyTheEditorCannotBeGivenStaysWithItsReason)
{
    const std::string oddClass = "{A\"}";
    AddClass(oddClass, "C:\\Programme\\OMX\\BIN\\a.dll");
    sim.dialogs().QueueMessageBoxAnswer(1);

    EXPECT_FALSE(Run());

    EXPECT_EQ(NotRemovedLines(),
              std::vector<std::string>{"Name f\xFCr regedit ungeeignet: HKEY_CLASSES_ROOT\\CLSID\\" + oddClass});
    ExpectNothingRemovedEnding(1);
}

// A tree a pass cannot walk, and the key another pass still removes.
struct UnreadableTreeRow {
    const char* name;
    std::string_view tree;
    std::string_view removed;
};

class UnreadableTrees : public KeysThatStay, public ::testing::WithParamInterface<UnreadableTreeRow> {};

// Catches a failing walk of TypeLib or App Paths passed over in silence, and one that ends the run
// there: the passes after it still clean, and the run is told as partial. Catches too a partial
// run's message that sends the reader to the log only when keys stayed (`if (outcome.Stayed() > 0)`),
// although the log names the tree as well.
const UnreadableTreeRow kUnreadableTreeRows[] = {
    {"TypeLib", "HKEY_CLASSES_ROOT\\TypeLib",
     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Achse.exe]"},
    {"AppPaths", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
     "[HKEY_CLASSES_ROOT\\TypeLib\\{E0000000-0000-0000-0000-00000000000E}]"},
};

TEST_P(UnreadableTrees, AreToldAndTheOtherPassesStillClean)
{
    AddTypeLib(kLibX, "C:\\Programme\\OMX\\LIB\\x.tlb");
    AddAppPath("Achse.exe", "C:\\Programme\\OMX\\BIN\\Achse.exe");
    Registry().FailEnumeration(GetParam().tree);
    sim.dialogs().QueueMessageBoxAnswer(1);

    EXPECT_FALSE(Run());

    ASSERT_FALSE(LoggedKeys().empty());
    EXPECT_EQ(LoggedKeys().front(), GetParam().removed);
    EXPECT_EQ(NotRemovedLines(), std::vector<std::string>{"Nicht lesbar: " + std::string(GetParam().tree)});
    const std::string text = PartialMessage();
    EXPECT_NE(text.find("Gel\u00f6scht: 1 Schl\u00fcssel."), std::string::npos) << text;
    EXPECT_NE(text.find("Nicht lesbar: " + std::string(GetParam().tree)), std::string::npos) << text;
    EXPECT_NE(text.find("Das L\u00f6schprotokoll nennt, was geblieben ist, mit den Gr\u00fcnden."), std::string::npos) << text;
    EXPECT_EQ(sim.system().BeepCount(), 0);
    EXPECT_TRUE(Window().State(Control::Command3).enabled);
    EXPECT_EQ(Window().State(Control::Label2).caption, kPartialHint);
}

INSTANTIATE_TEST_SUITE_P(BothPasses, UnreadableTrees, ::testing::ValuesIn(kUnreadableTreeRows),
                         [](const ::testing::TestParamInfo<UnreadableTreeRow>& info) { return std::string(info.param.name); });

// Catches the type-library pass deleting a library whole that also registers other software's
// file (a foreign version beside the controller's): it stays, with its reason, and once only,
// although the pass lists it for its controller value and the class route names it too.
TEST_F(KeysThatStay, ATypeLibraryOfOtherSoftwareTooStaysWithItsReason)
{
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll", "", kLibX);
    AddTypeLib(kLibX, "C:\\Programme\\OMX\\LIB\\x.tlb", "1.0");
    AddTypeLib(kLibX, "C:\\Programme\\Fremd\\x2.tlb", "2.0");
    sim.dialogs().QueueMessageBoxAnswer(1);

    EXPECT_FALSE(Run());

    EXPECT_TRUE(Registry().KeyExists(std::string(kTypeLib) + std::string(kLibX) + "\\2.0\\0\\win32"));
    EXPECT_TRUE(Registry().KeyExists(std::string(kTypeLib) + std::string(kLibX) + "\\1.0\\0\\win32"));
    EXPECT_EQ(LoggedKeys().front(), "[HKEY_CLASSES_ROOT\\CLSID\\" + std::string(kClassA) + "]");
    EXPECT_EQ(NotRemovedLines(), std::vector<std::string>{"Geh\xF6rt auch anderer Software: HKEY_CLASSES_ROOT\\TypeLib\\" +
                                                          std::string(kLibX)});
    EXPECT_EQ(sim.system().BeepCount(), 0);
    EXPECT_EQ(Window().State(Control::Label2).caption, kPartialHint);
}

// Catches a key exported and deleted by its merged HKEY_CLASSES_ROOT name: a class registered for
// one user would come back machine-wide on Undo.
TEST_F(KeysThatStay, APerUserClassIsSavedDeletedAndRestoredAsTheUsersOwn)
{
    const std::string userClass = std::string(kUserClasses) + "CLSID\\" + std::string(kClassA);
    Registry().SetString(userClass + "\\InprocServer32", "", "C:\\Programme\\OMX\\BIN\\a.dll");
    Registry().SetString(userClass + "\\ProgID", "", "Omx.Achse.1");
    Registry().SetString(std::string(kUserClasses) + "Omx.Achse.1\\CLSID", "", std::string(kClassA));
    const auto before = Registry().Dump();

    EXPECT_FALSE(Run());

    EXPECT_EQ(LoggedKeys(), (std::vector<std::string>{"[HKEY_CURRENT_USER\\Software\\Classes\\Omx.Achse.1]",
                                                       "[HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\" +
                                                           std::string(kClassA) + "]"}));
    EXPECT_FALSE(Registry().KeyExists(userClass));
    EXPECT_EQ(sim.system().BeepCount(), 2);
    EXPECT_TRUE(Press(Control::Command3));
    EXPECT_EQ(Registry().Dump(), before);
    EXPECT_FALSE(Registry().KeyExists(std::string(kMachineClasses) + "CLSID\\" + std::string(kClassA)));
}

// Catches the same for a user's controller server over a foreign machine class: the user's key
// goes, the machine's stays untouched, and Undo must not write the merged view into the machine.
TEST_F(KeysThatStay, AUsersOverrideOfAForeignMachineClassGoesAloneAndUndoLeavesTheMachinesAsItWas)
{
    AddClass(kClassA, "C:\\Windows\\System32\\fremd.dll");
    const std::string userClass = std::string(kUserClasses) + "CLSID\\" + std::string(kClassA);
    Registry().SetString(userClass + "\\InprocServer32", "", "C:\\Programme\\OMX\\BIN\\a.dll");
    const auto before = Registry().Dump();

    EXPECT_FALSE(Run());

    EXPECT_EQ(LoggedKeys(), std::vector<std::string>{"[HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\" + std::string(kClassA) + "]"});
    EXPECT_FALSE(Registry().KeyExists(userClass));
    EXPECT_EQ(Registry().GetRaw(std::string(kMachineClasses) + "CLSID\\" + std::string(kClassA) + "\\InprocServer32", "")->data,
              Utf16ToLeBytes(u"C:\\Windows\\System32\\fremd.dll"s + u'\0'));
    EXPECT_TRUE(Press(Control::Command3));
    EXPECT_EQ(Registry().Dump(), before);
}

// Lets a standard user's process change the backup at the one moment a careless program lets go
// of it: between the end of its writing and its hold.
class CarelessHold final : public ForwardingFileSystem {
public:
    CarelessHold(sim::SimFileSystem& below, std::string_view victim)
        : ForwardingFileSystem(below), m_sim(below), m_victim(victim)
    {
    }

    std::unique_ptr<WritableFile> Create(std::string_view path) override
    {
        auto file = Below().Create(path);
        // The run creates the backup by its name in the folder it was chosen in.
        if (!file || !EqualsIgnoreCase(CurrentDirectory() + "\\" + std::string(path), m_victim)) {
            return file;
        }
        return std::make_unique<Letting>(std::move(file), *this);
    }

private:
    class Letting final : public ForwardingFile {
    public:
        Letting(std::unique_ptr<WritableFile> below, CarelessHold& owner) : ForwardingFile(std::move(below)), m_owner(owner) {}

        std::unique_ptr<HeldFile> CloseIntoHold() override
        {
            if (!Close()) {
                return nullptr;
            }
            m_owner.m_sim.WriteFile(m_owner.m_victim, Utf16ToLeBytes(u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n"
                                                                     u"[HKEY_CURRENT_USER\\Software\\Untergeschoben]\r\n"));
            return m_owner.m_sim.HoldForReading(m_owner.m_victim);
        }

    private:
        CarelessHold& m_owner;
    };

    sim::SimFileSystem& m_sim;
    std::string m_victim;
};

// Another program that has the backup open for writing as the run closes it: the hold fails.
class HeldOpenElsewhere final : public ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;

    std::unique_ptr<WritableFile> Create(std::string_view path) override
    {
        struct Unholdable final : ForwardingFile {
            using ForwardingFile::ForwardingFile;
            std::unique_ptr<HeldFile> CloseIntoHold() override
            {
                (void)Close();
                return nullptr;
            }
        };
        auto file = Below().Create(path);
        return file ? std::make_unique<Unholdable>(std::move(file)) : nullptr;
    }
};

// Catches a run that removed all it set out to but cannot hold its backup ending with the Undo
// hint and the beeps, while Undo is not offered.
TEST_F(KeysThatStay, ABackupThatCannotBeHeldIsToldAndUndoNotOffered)
{
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll");
    HeldOpenElsewhere files(Files());
    sim.dialogs().QueueMessageBoxAnswer(1);

    const auto run = RunOver(files);

    EXPECT_FALSE(Registry().KeyExists(ClassKey()));
    EXPECT_EQ(sim.system().BeepCount(), 0);
    EXPECT_FALSE(Window().State(Control::Command3).enabled);
    EXPECT_EQ(Window().State(Control::Label2).caption, kNoUndoHint);
    ASSERT_EQ(sim.dialogs().MessageBoxesShown().size(), 1u);
    EXPECT_NE(sim.dialogs().MessageBoxesShown()[0].text.find("wird Undo nicht angeboten"), std::string::npos);
}

// Catches Undo importing whatever file holds the backup's name: only the bytes the run wrote are
// imported, checked through the hold.
TEST_F(KeysThatStay, UndoRefusesABackupThatIsNoLongerWhatTheRunWrote)
{
    AddClass(kClassA, "C:\\Programme\\OMX\\BIN\\a.dll");
    CarelessHold files(Files(), kBackupPath);
    const auto run = RunOver(files);
    ASSERT_TRUE(Window().State(Control::Command3).enabled);

    sim.dialogs().QueueMessageBoxAnswer(1);
    EXPECT_FALSE(Press(Control::Command3));

    EXPECT_TRUE(sim.processes().Imports().empty());
    EXPECT_FALSE(Registry().KeyExists("HKEY_CURRENT_USER\\Software\\Untergeschoben"));
    ASSERT_EQ(sim.dialogs().MessageBoxesShown().size(), 1u);
    EXPECT_EQ(sim.dialogs().MessageBoxesShown()[0].title, "Undo");
    EXPECT_NE(sim.dialogs().MessageBoxesShown()[0].text.find("wird nicht importiert"), std::string::npos);
    EXPECT_TRUE(Window().State(Control::Command2).enabled);
    EXPECT_FALSE(Window().State(Control::Command3).enabled);
    EXPECT_EQ(Window().State(Control::Label2).caption, kUndoRefusedHint);
}

} // namespace
} // namespace hivetidy::testing
