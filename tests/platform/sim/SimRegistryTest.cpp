#include "platform/sim/SimRegistry.h"

#include "shared/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace hivetidy::sim {
namespace {

using namespace std::string_literals;
using Names = std::vector<std::string>;

class SimRegistryTest : public ::testing::Test {
protected:
    std::unique_ptr<StoreKey> Open(RootHandle root, std::string_view path)
    {
        auto hive = registry.OpenHive(root);
        return hive ? hive->Open(path) : nullptr;
    }

    // The key opened through a hive in that view; nullptr where either cannot be opened.
    std::unique_ptr<StoreKey> Open(RootHandle root, RegView view, std::string_view path)
    {
        auto hive = registry.OpenHive(root, view);
        return hive && !path.empty() ? hive->Open(path) : std::move(hive);
    }

    SimRegistry registry;
};

// The unnamed value's text as the registry holds it.
std::string Utf16Data(std::string_view utf8)
{
    return Utf16ToLeBytes(Utf8ToUtf16(utf8) + u'\0');
}

bool Lists(StoreKey& key, std::string_view name)
{
    const auto names = key.SubkeyNames().value_or(Names{});
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& listed) { return EqualsIgnoreCase(listed, name); });
}

TEST_F(SimRegistryTest, KeyNamesIgnoreCaseAndKeepTheSpellingTheyWereCreatedWith)
{
    registry.CreateKey("HKEY_CURRENT_USER\\Software\\\u00c4pfel");
    registry.CreateKey("HKCU\\SOFTWARE\\\u00e4PFEL\\Kern");
    EXPECT_TRUE(registry.KeyExists("hkey_current_user\\software\\\u00e4pfel\\KERN"));
    const auto software = Open(kHkeyCurrentUser, "software");
    ASSERT_TRUE(software);
    EXPECT_EQ(*software->SubkeyNames(), Names{"\u00c4pfel"});
}

TEST_F(SimRegistryTest, SubkeysEnumerateInUpperCaseOrderWhateverOrderTheyCameIn)
{
    for (const char* name : {"b", "_x", "C", "A", "a1"}) {
        registry.CreateKey("HKLM\\SOFTWARE\\Liste\\"s + name);
    }
    // Upper-cased, '_' (0x5F) comes after the letters, as in the registry's own order.
    EXPECT_EQ(*Open(kHkeyLocalMachine, "SOFTWARE\\Liste")->SubkeyNames(), (Names{"A", "a1", "b", "C", "_x"}));
}

TEST_F(SimRegistryTest, ValuesKeepTheirOrderAndASetReplacesInPlace)
{
    const std::string key = "HKLM\\SOFTWARE\\Werte";
    registry.SetString(key, "Erster", "1");
    registry.SetDword(key, "", 2);
    registry.SetString(key, "Dritter", "3");
    registry.SetString(key, "ERSTER", "neu");
    const auto values = *Open(kHkeyLocalMachine, "SOFTWARE\\Werte")->Values();
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0], (RawValue{"Erster", kRegSz, "n\0e\0u\0\0\0"s}));
    EXPECT_EQ(values[1], (RawValue{"", kRegDword, "\x02\0\0\0"s}));
    EXPECT_EQ(values[2].name, "Dritter");
    EXPECT_TRUE(registry.DeleteValue(key, "erster"));
    EXPECT_FALSE(registry.DeleteValue(key, "erster"));
    EXPECT_EQ(registry.GetRaw(key, "Erster"), std::nullopt);
}

TEST_F(SimRegistryTest, HelpersStoreDataAsTheRegistryHoldsIt)
{
    const std::string key = "HKLM\\SOFTWARE\\Typen";
    registry.SetString(key, "sz", "\u00e4");
    registry.SetExpandString(key, "expand", "%A%");
    registry.SetMultiString(key, "multi", {"a", "b"});
    registry.SetDword(key, "dword", 0x12345678);
    registry.SetBinary(key, "binary", "\x01\x02"s);
    registry.SetRaw(key, RawValue{"qword", kRegQword, "\x01\0\0\0\0\0\0\0"s});
    EXPECT_EQ(*registry.GetRaw(key, "sz"), (RawValue{"sz", kRegSz, "\xe4\0\0\0"s}));
    EXPECT_EQ(*registry.GetRaw(key, "expand"), (RawValue{"expand", kRegExpandSz, "%\0A\0%\0\0\0"s}));
    EXPECT_EQ(*registry.GetRaw(key, "multi"), (RawValue{"multi", kRegMultiSz, "a\0\0\0b\0\0\0\0\0"s}));
    EXPECT_EQ(*registry.GetRaw(key, "dword"), (RawValue{"dword", kRegDword, "\x78\x56\x34\x12"s}));
    EXPECT_EQ(*registry.GetRaw(key, "binary"), (RawValue{"binary", kRegBinary, "\x01\x02"s}));
    EXPECT_EQ(registry.GetRaw(key, "qword")->type, kRegQword);
}

TEST_F(SimRegistryTest, ClassesRootShowsTheVeryKeysOfTheMachineClasses)
{
    registry.SetString("HKEY_CLASSES_ROOT\\CLSID\\{1}", "", "x");
    EXPECT_TRUE(registry.KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{1}"));
    EXPECT_EQ(registry.GetRaw("HKLM\\SOFTWARE\\Classes\\CLSID\\{1}", ""), registry.GetRaw("HKCR\\CLSID\\{1}", ""));
    const auto throughRoot = Open(kHkeyClassesRoot, "CLSID\\{1}");
    ASSERT_TRUE(throughRoot);
    EXPECT_TRUE(registry.OpenHive(kHkeyLocalMachine)->DeleteTree("SOFTWARE\\Classes\\CLSID\\{1}"));
    EXPECT_FALSE(registry.KeyExists("HKCR\\CLSID\\{1}"));
    EXPECT_EQ(throughRoot->SubkeyNames(), std::nullopt);
}

TEST_F(SimRegistryTest, AnEmptyPathComponentOpensNothing)
{
    registry.CreateKey("HKLM\\SOFTWARE\\A\\B");
    const auto machine = registry.OpenHive(kHkeyLocalMachine);
    for (const char* path : {"", "SOFTWARE\\A\\", "\\SOFTWARE\\A", "SOFTWARE\\\\A"}) {
        EXPECT_EQ(machine->Open(path), nullptr) << path;
        EXPECT_FALSE(machine->DeleteTree(path)) << path;
    }
    EXPECT_TRUE(registry.KeyExists("HKLM\\SOFTWARE\\A\\B"));
    EXPECT_EQ(registry.OpenHive(kNoRoot), nullptr);
}

TEST_F(SimRegistryTest, HelpersRejectAPathThatNamesNoKey)
{
    for (const char* path : {"HKEY_NOWHERE\\X", "HKLM\\", "HKLM\\A\\\\B", "SOFTWARE\\X", ""}) {
        EXPECT_FALSE(SimRegistry::IsKeyPath(path)) << path;
        EXPECT_THROW(registry.CreateKey(path), std::invalid_argument) << path;
        EXPECT_THROW((void)registry.KeyExists(path), std::invalid_argument) << path;
    }
    EXPECT_TRUE(SimRegistry::IsKeyPath("HKU"));
    EXPECT_FALSE(registry.DeleteKey("HKEY_USERS")); // a hive stays
}

TEST_F(SimRegistryTest, AnOpenKeyOutlivesItsDeletionAndThenOnlyFails)
{
    registry.SetString("HKLM\\SOFTWARE\\Weg\\Unter", "v", "x");
    const auto gone = Open(kHkeyLocalMachine, "SOFTWARE\\Weg");
    const auto below = Open(kHkeyLocalMachine, "SOFTWARE\\Weg\\Unter");
    EXPECT_TRUE(registry.DeleteKey("HKLM\\SOFTWARE\\Weg"));
    // A key made anew under the same name is another key.
    registry.CreateKey("HKLM\\SOFTWARE\\Weg\\Unter");
    for (StoreKey* key : {gone.get(), below.get()}) {
        EXPECT_EQ(key->SubkeyNames(), std::nullopt);
        EXPECT_EQ(key->Values(), std::nullopt);
        EXPECT_EQ(key->Value("v"), std::nullopt);
        EXPECT_EQ(key->Open("Unter"), nullptr);
    }
    EXPECT_FALSE(gone->DeleteTree("Unter"));
    EXPECT_TRUE(registry.KeyExists("HKLM\\SOFTWARE\\Weg\\Unter"));
}

TEST_F(SimRegistryTest, ADeniedKeyIsListedButCannotBeOpenedOrDeleted)
{
    registry.DenyOpen("HKCU\\Software\\Gesperrt"); // before it exists
    registry.CreateKey("HKCU\\Software\\Gesperrt\\Innen");
    const auto software = Open(kHkeyCurrentUser, "Software");
    EXPECT_EQ(*software->SubkeyNames(), Names{"Gesperrt"});
    EXPECT_EQ(software->Open("gesperrt"), nullptr);
    EXPECT_NE(software->Open("Gesperrt\\Innen"), nullptr); // the keys below it open all the same
    EXPECT_FALSE(software->DeleteTree("Gesperrt"));
    EXPECT_TRUE(registry.KeyExists("HKCU\\Software\\Gesperrt"));
}

TEST_F(SimRegistryTest, AKeyThatFailsEnumerationStillOpensAndReadsByName)
{
    registry.SetString("HKLM\\SOFTWARE\\Stumm\\Kind", "", "x");
    registry.SetString("HKLM\\SOFTWARE\\Stumm", "Wert", "y");
    registry.FailEnumeration("HKEY_LOCAL_MACHINE\\software\\stumm");
    const auto key = Open(kHkeyLocalMachine, "SOFTWARE\\Stumm");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->SubkeyNames(), std::nullopt);
    EXPECT_EQ(key->Values(), std::nullopt);
    EXPECT_TRUE(key->Value("Wert").has_value());
    EXPECT_NE(key->Open("Kind"), nullptr);
}

TEST_F(SimRegistryTest, AKeyThatFailsDeletionKeepsItsWholeTreeAndEveryTreeAboveIt)
{
    registry.CreateKey("HKLM\\SOFTWARE\\Oben\\Mitte\\Unten");
    registry.CreateKey("HKLM\\SOFTWARE\\Oben\\Daneben");
    registry.FailDelete("HKLM\\SOFTWARE\\Oben\\Mitte");
    const auto machine = registry.OpenHive(kHkeyLocalMachine);
    const std::string before = registry.Dump();
    EXPECT_FALSE(machine->DeleteTree("SOFTWARE\\Oben\\Mitte"));
    EXPECT_FALSE(machine->DeleteTree("SOFTWARE\\Oben"));
    EXPECT_EQ(registry.Dump(), before);
    EXPECT_TRUE(machine->DeleteTree("SOFTWARE\\Oben\\Mitte\\Unten"));
    EXPECT_TRUE(machine->DeleteTree("SOFTWARE\\Oben\\Daneben"));
}

TEST_F(SimRegistryTest, FaultsSetThroughClassesRootHoldForTheMachineClassKeyToo)
{
    registry.CreateKey("HKLM\\SOFTWARE\\Classes\\TypeLib\\{7}");
    registry.DenyOpen("HKCR\\TypeLib\\{7}");
    EXPECT_EQ(Open(kHkeyLocalMachine, "SOFTWARE\\Classes\\TypeLib\\{7}"), nullptr);
    EXPECT_EQ(Open(kHkeyClassesRoot, "TypeLib\\{7}"), nullptr);
}

TEST_F(SimRegistryTest, DumpTellsRegistriesApartAndIgnoresFaults)
{
    registry.SetString("HKLM\\SOFTWARE\\A", "v", "1");
    registry.SetString("HKU\\.DEFAULT\\B", "", "2");
    const std::string before = registry.Dump();
    EXPECT_NE(before.find("[HKEY_USERS\\.DEFAULT\\B]\r\n@=\"2\""), std::string::npos);
    registry.FailEnumeration("HKLM\\SOFTWARE");
    registry.DenyOpen("HKU\\.DEFAULT");
    EXPECT_EQ(registry.Dump(), before);
    registry.SetDword("HKLM\\SOFTWARE\\A", "v", 1);
    EXPECT_NE(registry.Dump(), before);
}

TEST_F(SimRegistryTest, TheThirtyTwoBitViewReachesTheKeysWindowsRedirectsItTo)
{
    struct Row {
        RootHandle root;
        const char* path;    // as the 32-bit view names it
        const char* reaches; // the native key it is; nullptr where the view has no such key
        const char* decoy;   // a native key it must not reach
    };
    const Row rows[] = {
        {kHkeyClassesRoot, "CLSID\\{1}", "HKLM\\SOFTWARE\\Classes\\WOW6432Node\\CLSID\\{1}",
         "HKLM\\SOFTWARE\\Classes\\CLSID\\{1}"},
        {kHkeyClassesRoot, "CLSID\\{2}", "HKCU\\Software\\Classes\\Wow6432Node\\CLSID\\{2}",
         "HKCU\\Software\\Classes\\CLSID\\{2}"},
        {kHkeyLocalMachine, "SOFTWARE\\Classes\\media type\\{3}", "HKLM\\SOFTWARE\\Classes\\WOW6432Node\\Media Type\\{3}",
         "HKLM\\SOFTWARE\\Classes\\Media Type\\{3}"},
        {kHkeyClassesRoot, "TypeLib\\{4}", "HKLM\\SOFTWARE\\Classes\\TypeLib\\{4}",
         "HKLM\\SOFTWARE\\Classes\\WOW6432Node\\TypeLib\\{4}"},
        {kHkeyClassesRoot, "Omx.Prog", "HKLM\\SOFTWARE\\Classes\\Omx.Prog",
         "HKLM\\SOFTWARE\\Classes\\WOW6432Node\\Omx.Prog"},
        {kHkeyLocalMachine, "SOFTWARE\\Classes\\AppID\\{5}", "HKLM\\SOFTWARE\\Classes\\AppID\\{5}",
         "HKLM\\SOFTWARE\\WOW6432Node\\Classes\\AppID\\{5}"},
        {kHkeyLocalMachine, "SOFTWARE\\ORVA Roboter GmbH", "HKLM\\SOFTWARE\\WOW6432Node\\ORVA Roboter GmbH",
         "HKLM\\SOFTWARE\\ORVA Roboter GmbH"},
        {kHkeyLocalMachine, "SOFTWARE\\Nur64", nullptr, "HKLM\\SOFTWARE\\Nur64"},
        {kHkeyCurrentUser, "Software\\Classes\\Interface\\{8}", "HKCU\\Software\\Classes\\WOW6432Node\\Interface\\{8}",
         "HKCU\\Software\\Classes\\Interface\\{8}"},
        {kHkeyCurrentUser, "Software\\ORVA Roboter GmbH", "HKCU\\Software\\ORVA Roboter GmbH",
         "HKCU\\Software\\WOW6432Node\\ORVA Roboter GmbH"},
        {kHkeyUsers, "S-1-5-21\\Software\\Classes\\CLSID\\{6}", "HKU\\S-1-5-21\\Software\\Classes\\CLSID\\{6}",
         "HKU\\S-1-5-21\\Software\\Classes\\WOW6432Node\\CLSID\\{6}"},
        {kHkeyLocalMachine, "SOFTWARE\\WOW6432Node\\Schon32", "HKLM\\SOFTWARE\\WOW6432Node\\Schon32",
         "HKLM\\SOFTWARE\\WOW6432Node\\WOW6432Node\\Schon32"},
    };
    for (const Row& row : rows) {
        if (row.reaches) {
            registry.SetString(row.reaches, "", "32");
        }
        registry.SetString(row.decoy, "", "64");
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const std::string path = row.path;
        const std::size_t slash = path.rfind('\\');
        const auto parent = Open(row.root, RegView::Wow32, slash == std::string::npos ? "" : path.substr(0, slash));
        ASSERT_TRUE(parent);
        const std::string leaf = path.substr(slash + 1);
        const auto key = parent->Open(leaf);
        EXPECT_EQ(Lists(*parent, leaf), row.reaches != nullptr);
        if (!row.reaches) {
            EXPECT_EQ(key, nullptr); // no falling back to the native key
            continue;
        }
        ASSERT_TRUE(key);
        EXPECT_EQ(key->Value("")->data, Utf16Data("32"));
        // The system's own name of the key is the native one, whichever view reached it.
        const auto native = ParseKeyPath(row.reaches);
        EXPECT_EQ(key->Identity(), Open(native->root, RegView::Native, native->below)->Identity());
        EXPECT_TRUE(parent->DeleteTree(leaf));
        EXPECT_FALSE(registry.KeyExists(row.reaches));
        EXPECT_TRUE(registry.KeyExists(row.decoy));
    }
}

TEST_F(SimRegistryTest, EachViewReadsAndListsItsOwnKeys)
{
    const std::string version = "\\ORVA Roboter GmbH\\Version";
    registry.SetString("HKLM\\SOFTWARE" + version, "InstallationDir", "C:\\Nativ");
    registry.SetString("HKLM\\SOFTWARE\\WOW6432Node" + version, "InstallationDir", "C:\\Programme\\OMX");
    registry.CreateKey("HKLM\\SOFTWARE\\Nur64");
    registry.CreateKey("HKLM\\SOFTWARE\\WOW6432Node\\Nur32");
    const auto read = [&](RegView view) {
        return Open(kHkeyLocalMachine, view, "SOFTWARE" + version)->Value("InstallationDir")->data;
    };
    EXPECT_EQ(read(RegView::Native), Utf16Data("C:\\Nativ"));
    EXPECT_EQ(read(RegView::Wow32), Utf16Data("C:\\Programme\\OMX"));
    // The 32-bit view shows its own keys and the shared classes, and never its hiding place.
    EXPECT_EQ(*Open(kHkeyLocalMachine, RegView::Wow32, "SOFTWARE")->SubkeyNames(),
              (Names{"Classes", "Nur32", "ORVA Roboter GmbH"}));
    EXPECT_EQ(*Open(kHkeyLocalMachine, RegView::Native, "SOFTWARE")->SubkeyNames(),
              (Names{"Classes", "Nur64", "ORVA Roboter GmbH", "WOW6432Node"}));
}

TEST_F(SimRegistryTest, ClassesRootShowsTheUsersClassesOverTheMachines)
{
    registry.SetString("HKLM\\SOFTWARE\\Classes\\Omx.A", "", "Maschine");
    registry.SetString("HKLM\\SOFTWARE\\Classes\\Omx.A", "NurMaschine", "m");
    registry.CreateKey("HKLM\\SOFTWARE\\Classes\\Omx.A\\CLSID");
    registry.CreateKey("HKLM\\SOFTWARE\\Classes\\Omx.A\\Maschine");
    registry.SetString("HKCU\\Software\\Classes\\Omx.A", "", "Nutzer");
    registry.CreateKey("HKCU\\Software\\Classes\\Omx.A\\clsid");
    registry.CreateKey("HKCU\\Software\\Classes\\Omx.A\\Nutzer");

    const auto merged = Open(kHkeyClassesRoot, RegView::Native, "Omx.A");
    ASSERT_TRUE(merged);
    EXPECT_EQ(*merged->Values(), (std::vector<RawValue>{{"", kRegSz, Utf16Data("Nutzer")}}));
    EXPECT_EQ(merged->Value("NurMaschine"), std::nullopt); // the user's key alone shows its values
    EXPECT_EQ(*merged->SubkeyNames(), (Names{"clsid", "Maschine", "Nutzer"}));
    EXPECT_EQ(registry.GetRaw("HKCR\\Omx.A", "")->data, Utf16Data("Nutzer"));
    EXPECT_TRUE(registry.KeyExists("HKCR\\Omx.A\\Maschine"));

    // Written through HKEY_CLASSES_ROOT: into the user's key where there is one.
    registry.SetString("HKCR\\Omx.A", "Neu", "n");
    registry.CreateKey("HKCR\\Omx.B");
    EXPECT_TRUE(registry.GetRaw("HKCU\\Software\\Classes\\Omx.A", "Neu").has_value());
    EXPECT_TRUE(registry.KeyExists("HKLM\\SOFTWARE\\Classes\\Omx.B"));
    EXPECT_FALSE(registry.KeyExists("HKCU\\Software\\Classes\\Omx.B"));

    // Deleted through it: the user's key first, and then the machine's shows again.
    const auto classesRoot = registry.OpenHive(kHkeyClassesRoot);
    EXPECT_TRUE(classesRoot->DeleteTree("Omx.A"));
    EXPECT_FALSE(registry.KeyExists("HKCU\\Software\\Classes\\Omx.A"));
    EXPECT_EQ(registry.GetRaw("HKCR\\Omx.A", "")->data, Utf16Data("Maschine"));
    EXPECT_TRUE(classesRoot->DeleteTree("Omx.A"));
    EXPECT_FALSE(registry.KeyExists("HKCR\\Omx.A"));
}

// The program tells a key that both views share by its system name: a link, as Wine makes one for
// the 32-bit view's WOW6432Node\TypeLib, must give the name of the key it leads to.
TEST_F(SimRegistryTest, ALinkReachesTheVeryKeyItLeadsToAndAWalkNeverEntersIt)
{
    const std::string shared = "HKLM\\SOFTWARE\\Classes\\TypeLib";
    const std::string linked = "HKLM\\SOFTWARE\\Classes\\WOW6432Node\\TypeLib";
    registry.SetString(shared + "\\{1}", "", "Bibliothek");
    registry.AddLink(linked, shared);

    const auto plain = Open(kHkeyClassesRoot, RegView::Native, "TypeLib\\{1}");
    const auto throughLink = Open(kHkeyClassesRoot, RegView::Native, "WOW6432Node\\TypeLib\\{1}");
    ASSERT_TRUE(plain && throughLink);
    EXPECT_EQ(throughLink->Value("")->data, Utf16Data("Bibliothek"));
    EXPECT_EQ(throughLink->Identity(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\TypeLib\\{1}");
    EXPECT_EQ(throughLink->Identity(), plain->Identity());
    EXPECT_EQ(Open(kHkeyClassesRoot, RegView::Wow32, "TypeLib\\{1}")->Identity(), plain->Identity());
    registry.SetString(linked + "\\{2}", "", "neu");
    EXPECT_TRUE(registry.KeyExists(shared + "\\{2}"));

    // Listed, opened by a path, but never entered by a walk's step down.
    const auto wow = Open(kHkeyLocalMachine, RegView::Native, "SOFTWARE\\Classes\\WOW6432Node");
    EXPECT_EQ(*wow->SubkeyNames(), Names{"TypeLib"});
    EXPECT_EQ(wow->OpenSubkey("TypeLib"), nullptr);
    EXPECT_NE(wow->Open("TypeLib"), nullptr);

    // A key deleted through the link is the target's own; made again, the link reaches it again.
    EXPECT_TRUE(wow->DeleteTree("TypeLib\\{1}"));
    EXPECT_FALSE(registry.KeyExists(shared + "\\{1}"));
    registry.CreateKey(shared + "\\{1}");
    EXPECT_TRUE(registry.KeyExists(linked + "\\{1}"));

    // Deleting the link's own name removes the link and leaves what it leads to.
    EXPECT_TRUE(wow->DeleteTree("TypeLib"));
    EXPECT_FALSE(registry.KeyExists(linked));
    EXPECT_TRUE(registry.KeyExists(shared + "\\{1}"));
}

TEST_F(SimRegistryTest, OnlyASixtyFourBitMachineHasTheThirtyTwoBitView)
{
    EXPECT_EQ(registry.Views(), (std::vector<RegView>{RegView::Native, RegView::Wow32}));
    EXPECT_NE(registry.OpenHive(kHkeyLocalMachine, RegView::Wow32), nullptr);
    SimRegistry windows32(SimMachine::Windows32);
    EXPECT_EQ(windows32.Views(), std::vector<RegView>{RegView::Native});
    for (const RootHandle root : {kHkeyClassesRoot, kHkeyLocalMachine, kHkeyCurrentUser, kHkeyUsers}) {
        EXPECT_EQ(windows32.OpenHive(root, RegView::Wow32), nullptr) << root;
        EXPECT_NE(windows32.OpenHive(root, RegView::Native), nullptr) << root;
    }
}

TEST_F(SimRegistryTest, FaultsOnANativeKeyHoldInTheThirtyTwoBitViewToo)
{
    registry.CreateKey("HKLM\\SOFTWARE\\WOW6432Node\\Gesperrt");
    registry.CreateKey("HKLM\\SOFTWARE\\Classes\\WOW6432Node\\CLSID\\{1}");
    registry.CreateKey("HKLM\\SOFTWARE\\Classes\\CLSID\\{1}");
    registry.CreateKey("HKLM\\SOFTWARE\\WOW6432Node\\Fest\\Innen");
    registry.CreateKey("HKLM\\SOFTWARE\\Classes\\TypeLib\\{7}");
    registry.DenyOpen("HKLM\\SOFTWARE\\WOW6432Node\\Gesperrt");
    registry.FailEnumeration("HKLM\\SOFTWARE\\Classes\\WOW6432Node\\CLSID");
    registry.FailDelete("HKLM\\SOFTWARE\\WOW6432Node\\Fest\\Innen");
    registry.DenyOpen("HKCR\\TypeLib\\{7}"); // a key both views share

    const auto machine = registry.OpenHive(kHkeyLocalMachine, RegView::Wow32);
    EXPECT_EQ(machine->Open("SOFTWARE\\Gesperrt"), nullptr);
    // The 32-bit view lists SOFTWARE from the WOW6432Node key, so that key's fault is its fault.
    registry.FailEnumeration("HKLM\\SOFTWARE\\WOW6432Node");
    EXPECT_EQ(machine->Open("SOFTWARE")->SubkeyNames(), std::nullopt);
    EXPECT_TRUE(registry.OpenHive(kHkeyLocalMachine)->Open("SOFTWARE")->SubkeyNames().has_value());
    const auto classes32 = Open(kHkeyClassesRoot, RegView::Wow32, "CLSID");
    const auto classes64 = Open(kHkeyClassesRoot, RegView::Native, "CLSID");
    ASSERT_TRUE(classes32 && classes64);
    EXPECT_EQ(classes32->SubkeyNames(), std::nullopt);
    EXPECT_EQ(classes64->SubkeyNames(), Names{"{1}"});
    EXPECT_FALSE(machine->DeleteTree("SOFTWARE\\Fest"));
    EXPECT_TRUE(registry.KeyExists("HKLM\\SOFTWARE\\WOW6432Node\\Fest\\Innen"));
    EXPECT_EQ(Open(kHkeyClassesRoot, RegView::Wow32, "TypeLib\\{7}"), nullptr);
}

} // namespace
} // namespace hivetidy::sim
