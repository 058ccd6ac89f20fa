#include "platform/win32/Win32Registry.h"

#include "component/StoreComponent.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/WideText.h"
#include "shared/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace hivetidy::win32 {
namespace {

using namespace std::string_literals;

constexpr wchar_t kScratchPath[] = L"Software\\HivetidyTest";
constexpr std::string_view kScratchPathUtf8 = "Software\\HivetidyTest";

// String data as the registry stores it: UTF-16LE with the terminating NUL.
std::string StoredText(std::string_view utf8)
{
    std::u16string text = Utf8ToUtf16(utf8);
    text.push_back(u'\0');
    return Utf16ToLeBytes(text);
}

std::string StoredDword(std::uint32_t number)
{
    return {static_cast<char>(number & 0xFF), static_cast<char>((number >> 8) & 0xFF),
            static_cast<char>((number >> 16) & 0xFF), static_cast<char>(number >> 24)};
}

std::vector<RawValue> SortedByName(std::vector<RawValue> values)
{
    std::sort(values.begin(), values.end(), [](const RawValue& a, const RawValue& b) { return a.name < b.name; });
    return values;
}

// Every test works below HKEY_CURRENT_USER\Software\HivetidyTest, which it deletes first.
class Win32RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteScratch();
        CreateKey("");
    }
    void TearDown() override { DeleteScratch(); }

    static void DeleteScratch() { RegDeleteTreeW(HKEY_CURRENT_USER, kScratchPath); }

    // Creates the scratch key's subkey at path (and the keys on the way).
    static void CreateKey(std::string_view path)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, ScratchPathOf(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    static void SetValue(std::string_view path, std::string_view name, DWORD type, const std::string& bytes)
    {
        CreateKey(path);
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, ScratchPathOf(path).c_str(), Widen(name).c_str(), type, bytes.data(),
                                  static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }

    static void SetText(std::string_view path, std::string_view name, std::string_view text)
    {
        SetValue(path, name, REG_SZ, StoredText(text));
    }

    static bool KeyExists(std::string_view path)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, ScratchPathOf(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }

    std::unique_ptr<StoreKey> OpenScratch()
    {
        auto hive = m_registry.OpenHive(kHkeyCurrentUser);
        return hive ? hive->Open(kScratchPathUtf8) : nullptr;
    }

    Win32Registry m_registry;

private:
    static std::wstring ScratchPathOf(std::string_view path)
    {
        return path.empty() ? std::wstring(kScratchPath) : std::wstring(kScratchPath) + L"\\" + Widen(path);
    }
};

TEST_F(Win32RegistryTest, OpenHiveGivesTheFourPredefinedRootsAndNothingElse)
{
    for (RootHandle root : {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine, kHkeyUsers}) {
        EXPECT_NE(m_registry.OpenHive(root), nullptr) << std::hex << root;
    }
    EXPECT_EQ(m_registry.OpenHive(kNoRoot), nullptr);
    EXPECT_EQ(m_registry.OpenHive(0x80000005u), nullptr);
    EXPECT_EQ(m_registry.OpenHive(kBindToHive), nullptr);
}

TEST_F(Win32RegistryTest, SubkeyNamesComeInTheRegistrysEnumerationOrderUpToTheLongestName)
{
    const std::string longest(255, 'x');
    for (const char* name : {"beta", "Alpha", "gamma"}) {
        CreateKey(name);
    }
    CreateKey(longest);
    CreateKey("beta\\below beta");

    const auto names = OpenScratch()->SubkeyNames();

    ASSERT_TRUE(names);
    EXPECT_EQ(*names, (std::vector<std::string>{"Alpha", "beta", "gamma", longest}));
}

TEST_F(Win32RegistryTest, SubkeyNamesOfAKeyWithoutSubkeysIsEmpty)
{
    const auto names = OpenScratch()->SubkeyNames();
    ASSERT_TRUE(names);
    EXPECT_TRUE(names->empty());
}

TEST_F(Win32RegistryTest, ValuesReportEveryValueWithItsTypeAndItsBytesAsStored)
{
    const std::string multi = Utf16ToLeBytes(u"eins\0zwei\0\0"s);
    const std::string binary("\x00\x01\xFF\x7F", 4);
    SetText("", "", "Standard");
    SetValue("", "Pfad", REG_EXPAND_SZ, StoredText("%SystemRoot%\\system32"));
    SetValue("", "Liste", REG_MULTI_SZ, multi);
    SetValue("", "Bytes", REG_BINARY, binary);
    SetValue("", "Zahl", REG_DWORD, StoredDword(0x12345678));

    const auto values = OpenScratch()->Values();

    ASSERT_TRUE(values);
    EXPECT_EQ(SortedByName(*values), (std::vector<RawValue>{
                                         {"", kRegSz, StoredText("Standard")},
                                         {"Bytes", kRegBinary, binary},
                                         {"Liste", kRegMultiSz, multi},
                                         {"Pfad", kRegExpandSz, StoredText("%SystemRoot%\\system32")},
                                         {"Zahl", kRegDword, "\x78\x56\x34\x12"},
                                     }));
}

TEST_F(Win32RegistryTest, ValuesLeaveOutAnUnnamedValueThatIsNotSet)
{
    SetText("", "Name", "Wert");

    const auto values = OpenScratch()->Values();

    ASSERT_TRUE(values);
    EXPECT_EQ(*values, (std::vector<RawValue>{{"Name", kRegSz, StoredText("Wert")}}));
}

TEST_F(Win32RegistryTest, ValueReadsOneValueByNameOrTheUnnamedOneAndNothingThatIsNotThere)
{
    SetText("", "", "Standard");
    SetText("", "InprocServer32", "C:\\Programme\\OMX\\BIN\\x.dll");
    auto key = OpenScratch();

    EXPECT_EQ(key->Value(""), (RawValue{"", kRegSz, StoredText("Standard")}));
    EXPECT_EQ(key->Value("InprocServer32"), (RawValue{"InprocServer32", kRegSz, StoredText("C:\\Programme\\OMX\\BIN\\x.dll")}));
    EXPECT_EQ(key->Value("Fehlt"), std::nullopt);

    CreateKey("ohne Standardwert");
    EXPECT_EQ(key->Open("ohne Standardwert")->Value(""), std::nullopt);
}

TEST_F(Win32RegistryTest, LargeDataIsReadWhole)
{
    std::string large(100000, '\0');
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<char>(i * 7);
    }
    SetValue("", "Gross", REG_BINARY, large);
    auto key = OpenScratch();

    EXPECT_EQ(key->Value("Gross")->data, large);
    const auto values = key->Values();
    ASSERT_TRUE(values);
    ASSERT_EQ(values->size(), 1u);
    EXPECT_EQ(values->front().data, large);
}

TEST_F(Win32RegistryTest, NonAsciiNamesAndTextCrossAsUtf8)
{
    SetText("Pr\u00fcfstand \u00c4", "Pr\u00fcfwert \u00d6", "gr\u00fcn");
    auto key = OpenScratch();

    EXPECT_EQ(key->SubkeyNames(), (std::vector<std::string>{"Pr\u00fcfstand \u00c4"}));
    auto subkey = key->Open("Pr\u00fcfstand \u00c4");
    ASSERT_NE(subkey, nullptr);
    const auto values = subkey->Values();
    ASSERT_TRUE(values);
    ASSERT_EQ(values->size(), 1u);
    EXPECT_EQ(values->front().name, "Pr\u00fcfwert \u00d6");
    EXPECT_EQ(TaggedValueOf(values->front()), TaggedValue::Text("gr\u00fcn"));
}

TEST_F(Win32RegistryTest, OpenFindsKeysByPathIgnoringCase)
{
    CreateKey("Kind\\Enkel");
    auto key = OpenScratch();

    EXPECT_NE(key->Open("Kind\\Enkel"), nullptr);
    EXPECT_NE(key->Open("KIND\\enkel"), nullptr);
    EXPECT_EQ(key->Open("Kind\\Fehlt"), nullptr);
    EXPECT_EQ(key->Open("Fehlt"), nullptr);
}

TEST_F(Win32RegistryTest, OpenRefusesPathsWithEmptyComponents)
{
    CreateKey("Kind\\Enkel");
    auto key = OpenScratch();

    for (const char* path : {"", "\\", "Kind\\", "\\Kind", "Kind\\\\Enkel", "Kind\\Enkel\\"}) {
        EXPECT_EQ(key->Open(path), nullptr) << path;
    }
}

TEST_F(Win32RegistryTest, DeleteTreeRemovesTheKeyWithAllItsSubkeysAndValues)
{
    SetText("Baum", "", "Wurzel");
    SetText("Baum\\Ast\\Zweig", "Blatt", "gr\u00fcn");
    CreateKey("Baum\\Ast2");
    CreateKey("Nachbar");
    auto key = OpenScratch();

    EXPECT_TRUE(key->DeleteTree("Baum"));

    EXPECT_FALSE(KeyExists("Baum"));
    EXPECT_TRUE(KeyExists("Nachbar"));
}

TEST_F(Win32RegistryTest, DeleteTreeOfAKeyThatIsNotThereIsFalse)
{
    auto key = OpenScratch();

    EXPECT_FALSE(key->DeleteTree("Fehlt"));
    EXPECT_FALSE(key->DeleteTree("Fehlt\\auch"));
}

TEST_F(Win32RegistryTest, DeleteTreeRefusesPathsWithEmptyComponentsAndLeavesTheKey)
{
    CreateKey("Baum\\Ast");
    auto key = OpenScratch();

    EXPECT_FALSE(key->DeleteTree("Baum\\"));
    EXPECT_FALSE(key->DeleteTree(""));
    EXPECT_TRUE(KeyExists("Baum\\Ast"));
}

// Records what a walk reports, in its order.
class WalkRecorder final : public IUseRegItems {
public:
    bool UseNode(RegistryComponent& node, std::int32_t iLevel) override
    {
        nodes.push_back(std::to_string(iLevel) + " " + node.Name());
        return false;
    }
    bool UseItem(RegistryItem& item, std::int32_t /*iLevel*/) override
    {
        const TaggedValue value = item.Value();
        items.push_back(item.Name() + "=" + (value.IsText() ? value.ToText() : "(other)"));
        return false;
    }

    std::vector<std::string> nodes;
    std::vector<std::string> items;
};

TEST_F(Win32RegistryTest, StoreComponentWalksTheRealRegistryDepthFirstEachKeyBeforeItsSubkeys)
{
    CreateKey("B\\B1");
    CreateKey("A\\A2");
    CreateKey("A\\A1\\A1x");
    SetText("A", "", "Standard");
    StoreComponent component(m_registry);
    component.OpenKey(kHkeyCurrentUser, TaggedValue::Text(std::string(kScratchPathUtf8)));
    WalkRecorder recorder;

    component.WalkTree(recorder, component, 0);

    EXPECT_EQ(recorder.nodes, (std::vector<std::string>{"1 A", "2 A1", "3 A1x", "2 A2", "1 B", "2 B1"}));
}

TEST_F(Win32RegistryTest, StoreComponentReadsValuesAndTheUnnamedOneOfTheRealRegistry)
{
    SetText("Klasse", "", "Standard");
    SetValue("Klasse", "Zahl", REG_DWORD, StoredDword(7));
    StoreComponent component(m_registry);
    component.OpenKey(kHkeyCurrentUser, TaggedValue::Text(std::string(kScratchPathUtf8) + "\\Klasse"));
    WalkRecorder recorder;

    component.WalkItems(recorder, 0);

    std::sort(recorder.items.begin(), recorder.items.end());
    EXPECT_EQ(recorder.items, (std::vector<std::string>{"=Standard", "Zahl=(other)"}));
    EXPECT_EQ(component.DefaultValue(), TaggedValue::Text("Standard"));
    EXPECT_EQ(component.GetItem(TaggedValue::Text("Zahl"))->Value(), TaggedValue::Whole(7));
    EXPECT_EQ(component.Name(), "Klasse");
}

TEST_F(Win32RegistryTest, StoreComponentBoundToTheHiveDeletesAKeyBelowIt)
{
    CreateKey("Weg\\damit");
    StoreComponent component(m_registry);
    component.OpenKey(kBindToHive, TaggedValue::Whole(static_cast<std::int32_t>(kHkeyCurrentUser)));

    EXPECT_TRUE(component.DeleteKey(TaggedValue::Text(std::string(kScratchPathUtf8) + "\\Weg"), TaggedValue::Truth(true)));
    EXPECT_FALSE(component.DeleteKey(TaggedValue::Text(std::string(kScratchPathUtf8) + "\\Weg"), TaggedValue::Truth(true)));
    EXPECT_FALSE(KeyExists("Weg"));
}

} // namespace
} // namespace hivetidy::win32
