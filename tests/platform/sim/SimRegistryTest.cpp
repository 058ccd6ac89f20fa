#include "platform/sim/SimRegistry.h"

#include <gtest/gtest.h>

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

    SimRegistry registry;
};

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

} // namespace
} // namespace hivetidy::sim
