// A ProgID or TypeLib value taken from a controller class's key must never make the run remove a
// key of another kind: a view's class key, a file type of the system's, a type library the system
// shares. The class itself goes, being the controller's.

#include "ControllerInstallation.h"
#include "Files.h"
#include "HivetidyTest.h"
#include "Polling.h"
#include "Processes.h"
#include "Registry.h"
#include "RunFiles.h"
#include "Text.h"

namespace hivedrive {
namespace {

// OLE Automation's type library, which Wine registers with its files in the system's folder.
constexpr wchar_t kStdOleLib[] = L"{00020430-0000-0000-C000-000000000046}";

struct HostileValue {
    const char* testName;
    // The view the class is written through, and what its values name is looked up through: the
    // 32-bit one, the controller's own, where that view sees the key at stake. Wine gives the 32-bit
    // view no file types of its own, and a 64-bit program's look-up there does not fall back to the
    // native ones; so the file type is named from a native class, as 64-bit parts of the
    // controller have.
    View view;
    const wchar_t* progId;  // the class's ProgID value; empty: none
    const wchar_t* typeLib; // the class's TypeLib value; empty: none
    // The key the ProgID names holds a CLSID value naming the class, as the class's own ProgID key
    // would: then only the ProgID's form tells the two apart.
    bool namesTheClass;
};

const HostileValue kHostileValues[] = {
    {"ProgIdClsid", View::Wow32, L"CLSID", L"", false},
    {"ProgIdClsidNamingTheClass", View::Wow32, L"CLSID", L"", true},
    {"ProgIdExefileNamingTheClass", View::Native, L"exefile", L"", true},
    {"TypeLibOfTheSystem", View::Wow32, L"", kStdOleLib, false},
};

void PrintTo(const HostileValue& value, std::ostream* out)
{
    *out << value.testName;
}

// The key the value names, where the class's view finds it: for "CLSID" the view's own class key.
std::wstring KeyAtStake(const HostileValue& value)
{
    if (*value.typeLib) {
        return PlacesOf(value.view).typeLibs + L"\\" + value.typeLib;
    }
    if (EqualsIgnoreCase(value.progId, L"CLSID")) {
        return PlacesOf(value.view).classIds;
    }
    return std::wstring(L"HKEY_CLASSES_ROOT\\") + value.progId;
}

// Should the run take the key at stake with it, the prefix would lose it for every later test
// (for the class key, Wine's own classes of that view, and with them the file dialog); so the key
// is exported before and imported again after, when it came to harm.
class HostileClassValue : public HivetidyTest, public ::testing::WithParamInterface<HostileValue> {
protected:
    void SetUp() override
    {
        HivetidyTest::SetUp();
        m_keyAtStake = KeyAtStake(GetParam());
        m_keyExport = ScratchFolder(L"at-stake") + L"\\at-stake.reg";
        m_subkeyCount = SubkeyNames(m_keyAtStake).size();
        RunRegistryEditor(L"/e \"" + m_keyExport + L"\" \"" + m_keyAtStake + L"\"", kWindowTimeout);
    }

    void TearDown() override
    {
        if (SubkeyNames(m_keyAtStake).size() + 1 < m_subkeyCount) {
            RunRegistryEditor(L"/s \"" + m_keyExport + L"\"", kRunTimeout);
        }
    }

    std::wstring m_keyAtStake;
    std::wstring m_keyExport;
    std::size_t m_subkeyCount = 0;
};

TEST_P(HostileClassValue, LeavesTheKeyItNamesIntact)
{
    const HostileValue& value = GetParam();
    ControllerInstallation installation = ControllerInstallation::Ordinary();
    ComClass hostile{L"{9C1E4A07-3D5B-11D2-9A41-00A024476B18}", L"OMX Broken Registration", L"InprocServer32",
                     L"C:\\Programme\\OMX\\BIN\\omxbroken.dll", value.progId, L"", value.typeLib, Fate::Removed};
    hostile.progIdKeyIsTheClasss = false;
    hostile.view = value.view;
    installation.classes.push_back(hostile);
    installation.Seed(m_seeds);
    if (value.namesTheClass) {
        const std::wstring backPointer = m_keyAtStake + L"\\CLSID";
        m_seeds.OwnKey(backPointer);
        SetText(backPointer, L"", hostile.clsid);
        ASSERT_EQ(TextValue(L"HKEY_CLASSES_ROOT\\" + hostile.progId + L"\\CLSID", L"", value.view), hostile.clsid)
            << "the class's view does not see the key at stake name the class";
    }
    const std::vector<std::wstring> removals = installation.ExpectedRemovals(false);
    ASSERT_EQ(removals, std::vector<std::wstring>{PlacesOf(value.view).classIds + L"\\" + hostile.clsid});
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();

    Hivetidy program = Hivetidy::Start();
    RunToTheEnd(program);

    EXPECT_TRUE(KeyExists(m_keyAtStake)) << ToUtf8(m_keyAtStake);
    const auto differences = before.Without(removals).DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << Listed(differences);
    EXPECT_EQ(ReadBytes(kRemovalLogPath), ExpectedRemovalLog(removals));
}

std::string HostileValueName(const ::testing::TestParamInfo<HostileValue>& info)
{
    return info.param.testName;
}

INSTANTIATE_TEST_SUITE_P(EachValue, HostileClassValue, ::testing::ValuesIn(kHostileValues), HostileValueName);

} // namespace
} // namespace hivedrive
