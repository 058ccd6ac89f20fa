#include "platform/win32/Win32Registry.h"

#include "component/StoreComponent.h"
#include "platform/win32/UniqueResource.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/WideText.h"
#include "shared/Text.h"

#include <gtest/gtest.h>

#include <winternl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace hivetidy::win32 {
namespace {

using namespace std::string_literals;

constexpr wchar_t kScratchPath[] = L"Software\\HivetidyTest";
constexpr std::string_view kScratchPathUtf8 = "Software\\HivetidyTest";
// Where the links of a test lead: a key outside the scratch key, as a link's target would be.
constexpr wchar_t kTargetPath[] = L"Software\\HivetidyZiel";
constexpr std::string_view kTargetPathUtf8 = "Software\\HivetidyZiel";

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

// Deletes the key behind the handle, also a link or a key whose name holds a NUL, which no
// advapi32 function can name.
void DeleteKeyByHandle(HKEY key)
{
    using NtDeleteKeyFunction = LONG(NTAPI*)(HANDLE);
    const auto ntDeleteKey = reinterpret_cast<NtDeleteKeyFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
    if (ntDeleteKey) {
        ntDeleteKey(key);
    }
}

// A key whose name holds a NUL, which only ntdll can create; deleted again through its handle.
class NulNamedKey {
public:
    NulNamedKey(HKEY parent, std::wstring_view name)
    {
        using NtCreateKeyFunction = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, ULONG, PUNICODE_STRING,
                                                 ULONG, PULONG);
        const auto ntCreateKey = reinterpret_cast<NtCreateKeyFunction>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtCreateKey")));
        std::wstring buffer(name);
        UNICODE_STRING counted{};
        counted.Buffer = buffer.data();
        counted.Length = static_cast<USHORT>(buffer.size() * sizeof(wchar_t)); // the NUL inside counts
        counted.MaximumLength = counted.Length;
        OBJECT_ATTRIBUTES attributes{};
        InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE, parent, nullptr);
        HANDLE key = nullptr;
        if (ntCreateKey && ntCreateKey(&key, KEY_ALL_ACCESS, &attributes, 0, nullptr, 0, nullptr) >= 0) {
            m_key.reset(static_cast<HKEY>(key));
        }
    }
    ~NulNamedKey()
    {
        // Neither can the fixture's clean-up name this key.
        if (m_key) {
            DeleteKeyByHandle(m_key.get());
        }
    }
    NulNamedKey(const NulNamedKey&) = delete;
    NulNamedKey& operator=(const NulNamedKey&) = delete;

    explicit operator bool() const { return static_cast<bool>(m_key); }

private:
    UniqueHkey m_key;
};

// Every test works below HKEY_CURRENT_USER\Software\HivetidyTest, which it deletes first.
class Win32RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteScratch();
        CreateKey("");
    }
    void TearDown() override
    {
        // RegDeleteTreeW cannot open a link whose target is gone, and would leave the scratch key.
        for (const std::string& link : m_links) {
            UniqueHkey key;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, ScratchPathOf(link).c_str(), REG_OPTION_OPEN_LINK, DELETE,
                              key.put()) == ERROR_SUCCESS) {
                DeleteKeyByHandle(key.get());
            }
        }
        DeleteScratch();
    }

    static void DeleteScratch()
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratchPath);
        RegDeleteTreeW(HKEY_CURRENT_USER, kTargetPath);
    }

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

    // The scratch key's subkey at path, for what only a Win32 handle can do; empty when not there.
    static UniqueHkey OpenForWriting(std::string_view path)
    {
        UniqueHkey key;
        RegOpenKeyExW(HKEY_CURRENT_USER, ScratchPathOf(path).c_str(), 0, KEY_ALL_ACCESS, key.put());
        return key;
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

    // Creates the scratch key's subkey at path as a link to the target, which it creates with a
    // value and a subkey.
    void CreateLinkToTarget(std::string_view path)
    {
        HKEY target = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kTargetPath) + L"\\Kind").c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &target, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(target);
        const std::string stays = StoredText("bleibt");
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kTargetPath, L"Wert", REG_SZ, stays.data(),
                                  static_cast<DWORD>(stays.size())),
                  ERROR_SUCCESS);
        // A link names its target by the kernel's name, without a terminating NUL.
        const auto targetName = OpenTarget()->Identity();
        ASSERT_TRUE(targetName);
        const std::wstring wideTarget = Widen(*targetName);

        m_links.emplace_back(path);
        HKEY link = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, ScratchPathOf(path).c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                                  KEY_ALL_ACCESS, nullptr, &link, nullptr),
                  ERROR_SUCCESS);
        const LSTATUS set = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                                           reinterpret_cast<const BYTE*>(wideTarget.data()),
                                           static_cast<DWORD>(wideTarget.size() * sizeof(wchar_t)));
        RegCloseKey(link);
        ASSERT_EQ(set, ERROR_SUCCESS);
        const auto throughLink = OpenScratch()->Open(path);
        ASSERT_NE(throughLink, nullptr);
        ASSERT_EQ(throughLink->Identity(), targetName) << "the link does not lead to the target";
    }

    // Whether the target is still there with its value and its subkey.
    bool TargetIsWhole()
    {
        auto target = OpenTarget();
        return target && target->Value("Wert") == RawValue{"Wert", kRegSz, StoredText("bleibt")} &&
               target->Open("Kind") != nullptr;
    }

    std::unique_ptr<StoreKey> OpenTarget()
    {
        auto hive = m_registry.OpenHive(kHkeyCurrentUser);
        return hive ? hive->Open(kTargetPathUtf8) : nullptr;
    }

    std::unique_ptr<StoreKey> OpenScratch()
    {
        auto hive = m_registry.OpenHive(kHkeyCurrentUser);
        return hive ? hive->Open(kScratchPathUtf8) : nullptr;
    }

    Win32Registry m_registry;

private:
    std::vector<std::string> m_links; // made by this test

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

TEST_F(Win32RegistryTest, SubkeyNamesPassOverANameWithAnEmbeddedNul)
{
    using namespace std::string_view_literals;
    CreateKey("Echt");
    const UniqueHkey scratch = OpenForWriting("");
    ASSERT_TRUE(scratch);
    const NulNamedKey odd(scratch.get(), L"Echt\0Falsch"sv);
    if (!odd) {
        GTEST_SKIP() << "this registry does not take a key name with a NUL";
    }

    EXPECT_EQ(OpenScratch()->SubkeyNames(), (std::vector<std::string>{"Echt"}));
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

// A user can put a link below a class key that an administrator's run deletes.
TEST_F(Win32RegistryTest, DeleteTreeDeletesALinkAsItselfAndNeverItsTarget)
{
    CreateLinkToTarget("Baum\\Ast\\Verweis");
    CreateKey("Baum\\Ast\\Zweig");
    CreateLinkToTarget("Verweis");
    auto key = OpenScratch();

    EXPECT_TRUE(key->DeleteTree("Baum"));    // a link inside the tree
    EXPECT_TRUE(key->DeleteTree("Verweis")); // the path itself a link

    EXPECT_FALSE(KeyExists("Baum"));
    EXPECT_FALSE(KeyExists("Verweis"));
    EXPECT_TRUE(TargetIsWhole());
}

TEST_F(Win32RegistryTest, DeleteTreeGoesOnPastAKeyItCannotDeleteAndSaysSo)
{
    using namespace std::string_view_literals;
    CreateKey("Baum\\Zweig");
    const UniqueHkey tree = OpenForWriting("Baum");
    ASSERT_TRUE(tree);
    // Listed before Zweig, and no delete can name it.
    const NulNamedKey odd(tree.get(), L"A\0b"sv);
    if (!odd) {
        GTEST_SKIP() << "this registry does not take a key name with a NUL";
    }
    auto key = OpenScratch();

    EXPECT_FALSE(key->DeleteTree("Baum"));

    EXPECT_TRUE(KeyExists("Baum"));
    EXPECT_FALSE(KeyExists("Baum\\Zweig"));
}

TEST_F(Win32RegistryTest, DeleteTreeLeavesATreeDeeperThanWindowsAllowsAndReturns)
{
    // Windows stops a tree at 512 levels, Wine does not: as deep as this registry goes, up to 600.
    constexpr int kWanted = 600;
    constexpr int kWindowsLimit = 512;
    CreateKey("Tief");
    UniqueHkey level = OpenForWriting("Tief");
    ASSERT_TRUE(level);
    int depth = 1;
    for (; depth < kWanted; ++depth) {
        HKEY below = nullptr;
        if (RegCreateKeyExW(level.get(), L"t", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &below, nullptr) != ERROR_SUCCESS) {
            break;
        }
        level.reset(below);
    }
    level.reset();
    auto key = OpenScratch();

    const bool deleted = key->DeleteTree("Tief");

    if (depth > kWindowsLimit) {
        EXPECT_FALSE(deleted) << depth << " levels";
        EXPECT_TRUE(KeyExists("Tief"));
    } else {
        EXPECT_TRUE(deleted) << depth << " levels";
        EXPECT_FALSE(KeyExists("Tief"));
    }
}

TEST_F(Win32RegistryTest, OpenSubkeyOpensAnOrdinarySubkeyButNoLinkAndNoPath)
{
    SetText("Kind", "Name", "Wert");
    CreateKey("Kind\\Enkel");
    CreateLinkToTarget("Verweis");
    auto key = OpenScratch();

    auto child = key->OpenSubkey("Kind");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->Value("Name"), (RawValue{"Name", kRegSz, StoredText("Wert")}));
    EXPECT_EQ(child->SubkeyNames(), (std::vector<std::string>{"Enkel"}));
    EXPECT_EQ(key->OpenSubkey("Verweis"), nullptr);
    EXPECT_EQ(key->OpenSubkey("Kind\\Enkel"), nullptr);
    EXPECT_EQ(key->OpenSubkey("Fehlt"), nullptr);
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
