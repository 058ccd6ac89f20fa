// A user of the controller PC who is not logged on while the program runs: his hives are loaded
// for the run, cleaned as the machine's keys are, and unloaded again however it ends.

#include "CommandLineStart.h"
#include "ControllerInstallation.h"
#include "Files.h"
#include "HivetidyTest.h"
#include "Polling.h"
#include "Registry.h"
#include "RunFiles.h"
#include "Text.h"
#include "UserProfile.h"

#include <algorithm>

namespace hivedrive {
namespace {

constexpr wchar_t kSid[] = L"S-1-5-21-0-0-0-1001";
constexpr wchar_t kUserName[] = L"techniker2";

// His own controller class, registered only in his classes hive, with its ProgID and type library.
constexpr wchar_t kPendantClass[] = L"{9C1E4A21-3D5B-11D2-9A41-00A024476B18}";
constexpr wchar_t kPendantProgId[] = L"OMX.Pendant.1";
constexpr wchar_t kPendantLib[] = L"{4F2A7C21-8B3E-11D2-9A41-00A024476B18}";
constexpr wchar_t kPendantServer[] = L"C:\\Programme\\OMX\\BIN\\omxpendant.dll";
// Another program's class in his classes hive, which stays.
constexpr wchar_t kViewerClass[] = L"{B1E0F3A2-5C44-4A0B-8E61-3C2D9F7A1101}";

constexpr wchar_t kBackupFolder[] = L"C:\\Sicherung";
constexpr wchar_t kBackupFile[] = L"C:\\Sicherung\\backup.reg";

// His two hives before a run, and as a run that removed the controller's keys leaves them.
UserHives HivesOfTheUser(bool withTheControllersKeys)
{
    UserHives hives;
    // A controller path outside a class, a ProgID or a type library is no reason to remove a key.
    hives.user.push_back({L"Software\\Acme Tools\\Viewer", L"LastFile", L"C:\\Programme\\OMX\\BIN\\demo.prg"});
    hives.classes = {
        {std::wstring(L"CLSID\\") + kViewerClass, L"", L"Acme Viewer Control"},
        {std::wstring(L"CLSID\\") + kViewerClass + L"\\InprocServer32", L"", L"C:\\Program Files\\Acme Tools\\acmeview.dll"},
        {std::wstring(L"CLSID\\") + kViewerClass + L"\\ProgID", L"", L"Acme.Viewer.1"},
        {L"Acme.Viewer.1\\CLSID", L"", kViewerClass},
    };
    if (!withTheControllersKeys) {
        return hives;
    }
    hives.user.push_back({L"Software\\ORVA Roboter GmbH\\OMX\\Settings", L"Language", L"deu"});
    const std::wstring pendant = std::wstring(L"CLSID\\") + kPendantClass;
    const std::vector<HiveText> controllers = {
        {pendant, L"", L"OMX Teach Pendant Control"},
        {pendant + L"\\InprocServer32", L"", kPendantServer},
        {pendant + L"\\ProgID", L"", kPendantProgId},
        {pendant + L"\\TypeLib", L"", kPendantLib},
        {std::wstring(kPendantProgId), L"", L"OMX Teach Pendant Control"},
        {std::wstring(kPendantProgId) + L"\\CLSID", L"", kPendantClass},
        {std::wstring(L"TypeLib\\") + kPendantLib + L"\\1.0", L"", L"OMX Teach Pendant Type Library"},
        {std::wstring(L"TypeLib\\") + kPendantLib + L"\\1.0\\0\\win32", L"", kPendantServer},
        // Where Windows puts what a program that is not elevated writes below HKEY_LOCAL_MACHINE.
        {L"VirtualStore\\MACHINE\\SOFTWARE\\ORVA Roboter GmbH\\OMX\\Settings", L"Licence", L"OMX-5-0042-7781"},
        {L"VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node\\ORVA Roboter GmbH\\Version", L"InstallationDir",
         L"C:\\Programme\\OMX"},
    };
    hives.classes.insert(hives.classes.end(), controllers.begin(), controllers.end());
    return hives;
}

// What a run with the maker's keys removes of his, under the names it gives them.
std::vector<std::wstring> HisRemovals(const UserProfile& user)
{
    const std::wstring classes = user.ClassesHiveName() + L"\\";
    return {
        user.UserHiveName() + L"\\Software\\ORVA Roboter GmbH",
        classes + L"VirtualStore\\MACHINE\\SOFTWARE\\ORVA Roboter GmbH",
        classes + L"VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node\\ORVA Roboter GmbH",
        classes + L"CLSID\\" + kPendantClass,
        classes + kPendantProgId,
        classes + L"TypeLib\\" + kPendantLib,
    };
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> keys)
{
    std::sort(keys.begin(), keys.end());
    return keys;
}

// The keys of "[key]" lines, without their brackets.
std::vector<std::wstring> Unbracketed(const std::vector<std::wstring>& keyLines)
{
    std::vector<std::wstring> keys;
    for (const std::wstring& line : keyLines) {
        keys.push_back(line.substr(1, line.size() - 2));
    }
    return keys;
}

// The keys a backup saves whole: its sections that lie below no other section of it.
std::vector<std::wstring> SavedKeysOf(const std::string& backup)
{
    const std::vector<std::wstring> sections = SectionsOf(backup);
    std::vector<std::wstring> saved;
    for (const std::wstring& section : sections) {
        const bool below = std::any_of(saved.begin(), saved.end(), [&](const std::wstring& key) {
            return StartsWithIgnoreCase(section, key + L"\\");
        });
        if (!below) {
            saved.push_back(section);
        }
    }
    return saved;
}

// The keys, without those at or below the key.
std::vector<std::wstring> Outside(std::vector<std::wstring> keys, const std::wstring& key)
{
    std::erase_if(keys, [&](const std::wstring& k) { return EqualsIgnoreCase(k, key) || StartsWithIgnoreCase(k, key + L"\\"); });
    return keys;
}

class LoggedOffUser : public HivetidyTest {
protected:
    void SetUp() override
    {
        HivetidyTest::SetUp();
        m_seeds.OwnFolder(kBackupFolder);
    }
};

// Catches a walk of the profiles that takes only the hives already loaded (the check box hidden,
// nothing of his listed or removed), his keys named through HKEY_CURRENT_USER or as the machine's,
// a hive loaded for /list or the run and not unloaded at its end, and an Undo that imports into
// HKEY_USERS\<SID> without loading his hive there (Wine then makes a plain key of that name).
TEST_F(LoggedOffUser, HisControllerKeysAreOfferedListedRemovedSavedAndRestoredAndHisHivesUnloadedAfterEach)
{
    ControllerInstallation::Ordinary().Seed(m_seeds);
    WriteBytes(kPendantServer, "MZ");
    const UserProfile user(m_seeds, kSid, kUserName, HivesOfTheUser(true));
    ASSERT_FALSE(MakerKeyExistsAnywhere()) << "the maker's key must be in his hive file only";
    const std::vector<std::wstring> his = Sorted(HisRemovals(user));

    const CommandLineOutcome list = RunHivetidyWith(L"/list /maker");
    EXPECT_EQ(list.exitCode, kDone) << Shown(list);
    EXPECT_EQ(Sorted(Unbracketed(list.KeyLines())), his) << Shown(list);
    EXPECT_EQ(user.LoadedHives(), std::vector<std::wstring>{}) << "after /list";

    Hivetidy program = Hivetidy::Start();
    Form1Window& window = program.Window();
    ASSERT_TRUE(window.IsVisible(Control::Check1)) << "the maker's key of a user who is not logged on is not offered";
    EXPECT_EQ(window.Caption(Control::Check1), L"Knoten  \"ORVA Roboter GmbH\"  l\u00f6schen ?");
    TickMakerKeys(program);
    const std::optional<std::wstring> message = RunToTheEndWithMessage(program);
    EXPECT_FALSE(message.has_value()) << "the run ends with: " << ToUtf8(message.value_or(L""));

    const std::string log = ReadBytes(kRemovalLogPath).value_or(std::string());
    const std::vector<std::wstring> logged = KeysNamedIn(log);
    EXPECT_EQ(Sorted(logged), his) << "the log:\n" << ToUtf8(FromAnsi(log));
    // Only "[key]" lines after the head: nothing stayed, no tree unread.
    EXPECT_EQ(log, ExpectedRemovalLog(logged));
    const std::vector<std::wstring> saved = SavedKeysOf(ReadBytes(kBackupPath).value_or(std::string()));
    EXPECT_EQ(Sorted(saved), his) << "saved:" << Listed(saved);
    EXPECT_EQ(user.LoadedHives(), std::vector<std::wstring>{}) << "after the run, before Undo";

    // As Windows would have written his hives back at their unloading after the run.
    user.WriteHives(HivesOfTheUser(false));
    window.Click(Control::Command3);
    std::optional<MessageBoxWindow> box = program.WaitForEndOrMessageBoxConfirmingEditor(L"Undo", kRunTimeout);
    EXPECT_FALSE(box.has_value()) << "Undo says: " << (box ? ToUtf8(box->Text()) : std::string());
    if (box) {
        box->Press(IDOK);
    }
    EXPECT_TRUE(program.WaitForEnd(kEndTimeout)) << "Undo did not end the program";
    EXPECT_EQ(user.LoadedHives(), std::vector<std::wstring>{}) << "after Undo ended the program";
}

// Catches a run that stops at a profile it cannot load (the machine's keys left), that passes
// over it in silence or ends with 0, that cleans part of his hive as if it were loaded, or that
// leaves a hive of his loaded after the failed load.
TEST_F(LoggedOffUser, WhoseHiveIsInUseIsToldUnreadableWhileTheMachinesKeysGoAndAutoEndsWithOne)
{
    const ControllerInstallation installation = ControllerInstallation::OneOfEachKind();
    installation.Seed(m_seeds);
    const std::vector<std::wstring> removals = installation.ExpectedRemovals(true);
    const UserProfile user(m_seeds, kSid, kUserName, HivesOfTheUser(true));
    // Declared after the profile, so that it is let go before the profile's folder is taken away.
    const UniqueFile held = user.HoldUserHiveFile();

    const CommandLineOutcome run = RunHivetidyWith(L"/auto /maker /backup:" + std::wstring(kBackupFile));

    EXPECT_EQ(run.exitCode, kPartial) << Shown(run);
    const std::vector<std::wstring> lines = run.Lines();
    const std::wstring unreadable =
        L"Nicht lesbar: HKEY_USERS\\S-1-5-21-0-0-0-1001 (Profil C:\\Users\\techniker2: in Benutzung)";
    EXPECT_TRUE(std::find(lines.begin(), lines.end(), unreadable) != lines.end())
        << "no line \"" << ToUtf8(unreadable) << "\"" << Shown(run);
    for (const std::wstring& key : removals) {
        EXPECT_FALSE(KeyExists(key)) << ToUtf8(key) << " is still there";
    }
    // Whether his classes hive, which loads, is cleaned is not this test's business; nothing of the
    // hive that is in use may be named.
    const std::string log = ReadBytes(kRemovalLogPath).value_or(std::string());
    EXPECT_EQ(Outside(KeysNamedIn(log), user.ClassesHiveName()), removals) << ToUtf8(FromAnsi(log));
    const std::vector<std::wstring> saved = SavedKeysOf(ReadBytes(kBackupFile).value_or(std::string()));
    EXPECT_EQ(Outside(saved, user.ClassesHiveName()), removals) << "saved:" << Listed(saved);
    EXPECT_EQ(user.LoadedHives(), std::vector<std::wstring>{}) << Shown(run);
}

} // namespace
} // namespace hivedrive
