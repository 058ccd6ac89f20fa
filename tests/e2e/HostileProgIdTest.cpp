// A ProgID value taken from the registry must never make the run remove a key of another kind.

#include "ControllerInstallation.h"
#include "Files.h"
#include "HivetidyTest.h"
#include "Polling.h"
#include "Processes.h"
#include "Registry.h"
#include "RunFiles.h"

namespace hivedrive {
namespace {

// The class is the controller's, so it is written through the 32-bit view; its view's class key
// is the one at stake.
const View kHostileView = View::Wow32;

// Should the run take the class key of the view with it, the prefix would lose Wine's own classes
// of that view too, and with them the file dialog of every later test; so the key is exported
// before and imported again after, when it came to harm.
class HostileProgId : public HivetidyTest {
protected:
    void SetUp() override
    {
        HivetidyTest::SetUp();
        m_classesExport = ScratchFolder(L"classes") + L"\\classes.reg";
        m_classCount = SubkeyNames(m_classesKey).size();
        RunRegistryEditor(L"/e \"" + m_classesExport + L"\" \"" + m_classesKey + L"\"", kWindowTimeout);
    }

    void TearDown() override
    {
        if (SubkeyNames(m_classesKey).size() + 1 < m_classCount) {
            RunRegistryEditor(L"/s \"" + m_classesExport + L"\"", kRunTimeout);
        }
    }

    const std::wstring m_classesKey = PlacesOf(kHostileView).classIds;
    std::wstring m_classesExport;
    std::size_t m_classCount = 0;
};

TEST_F(HostileProgId, AProgIdNamedClsidLeavesTheClassesKeyIntact)
{
    ControllerInstallation installation = ControllerInstallation::Ordinary();
    ComClass hostile{L"{9C1E4A07-3D5B-11D2-9A41-00A024476B18}", L"OMX Broken Registration", L"InprocServer32",
                     L"C:\\Programme\\OMX\\BIN\\omxbroken.dll", L"CLSID"};
    hostile.fate = Fate::Removed;
    hostile.progIdKeyIsTheClasss = false;
    hostile.view = kHostileView;
    installation.classes.push_back(hostile);
    installation.Seed(m_seeds);
    const std::vector<std::wstring> removals = installation.ExpectedRemovals(false);
    ASSERT_EQ(removals, std::vector<std::wstring>{m_classesKey + L"\\" + hostile.clsid});
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();
    const std::size_t classCount = SubkeyNames(m_classesKey).size();

    Hivetidy program = Hivetidy::Start();
    RunToTheEnd(program);

    EXPECT_EQ(SubkeyNames(m_classesKey).size(), classCount - 1);
    const auto differences = before.Without(removals).DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << Listed(differences);
    EXPECT_EQ(ReadBytes(kRemovalLogPath), ExpectedRemovalLog(removals));
}

} // namespace
} // namespace hivedrive
