#include "shared/Hives.h"
#include "shared/ProgramList.h"
#include "shared/Text.h"

#include <gtest/gtest.h>

namespace hivetidy {
namespace {

TEST(TextCompare, IgnoresCaseBeyondAscii)
{
    EXPECT_TRUE(EqualsIgnoreCase("C:\\PROGRAMME", "C:\\Programme"));
    EXPECT_TRUE(EqualsIgnoreCase("\u00c4nderung", "\u00e4nderung"));           // Ä ä
    EXPECT_TRUE(EqualsIgnoreCase("PR\u00dcFSTAND", "pr\u00fcfstand"));         // Ü ü
    EXPECT_TRUE(EqualsIgnoreCase("\u0141\u00d3D\u0179", "\u0142\u00f3d\u017a")); // Latin Extended-A
    EXPECT_TRUE(EqualsIgnoreCase("\u041c\u041e\u0421\u041a\u0412\u0410", "\u043c\u043e\u0441\u043a\u0432\u0430"));
    EXPECT_FALSE(EqualsIgnoreCase("Programme", "Programm"));
    EXPECT_FALSE(EqualsIgnoreCase("\u00e4", "a"));
    // Windows does not fold ß to SS; neither do we.
    EXPECT_FALSE(EqualsIgnoreCase("stra\u00dfe", "STRASSE"));
}

TEST(TextCompare, FindsTextInsideLongerTextIgnoringCase)
{
    EXPECT_TRUE(ContainsIgnoreCase("\"c:\\programme\\omx\\bin\\Tool.exe\" /automation", "C:\\Programme\\OMX\\BIN\\"));
    EXPECT_TRUE(ContainsIgnoreCase("x", ""));
    EXPECT_FALSE(ContainsIgnoreCase("C:\\Programme\\OMX\\LIBRARY\\x.dll", "C:\\Programme\\OMX\\LIB\\"));
    EXPECT_FALSE(ContainsIgnoreCase("ab", "abc"));
    // Needles beyond ASCII are compared by characters, not bytes.
    EXPECT_TRUE(ContainsIgnoreCase("D:\\PR\u00dcFSTAND\\omx", "pr\u00fcfstand\\OMX"));
    EXPECT_FALSE(ContainsIgnoreCase("D:\\PRUFSTAND\\omx", "pr\u00fcfstand"));
}

TEST(TextCompare, InvalidUtf8OnlyEqualsItself)
{
    EXPECT_TRUE(EqualsIgnoreCase("a\xff", "A\xff"));
    EXPECT_FALSE(EqualsIgnoreCase("a\xff", "a\xfe"));
    EXPECT_EQ(ToUpperText("\xff\u00e4"), "\xff\u00c4");
}

TEST(TextConversion, Utf16RoundTripKeepsEveryCharacter)
{
    const std::string text = "gel\u00f6scht \u20ac \U0001F916";
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
    EXPECT_EQ(Utf16ToUtf8(LeBytesToUtf16(Utf16ToLeBytes(Utf8ToUtf16(text)))), text);
    EXPECT_EQ(Utf16ToLeBytes(u"\u00f6"), std::string("\xf6\x00", 2));
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t{0xD800})), "\uFFFD");
}

TEST(TextConversion, RegistryTextEndsAtItsFirstNulCharacter)
{
    const auto bytes = [](std::u16string_view text) { return Utf16ToLeBytes(text); };
    EXPECT_EQ(LeBytesTextToUtf8(bytes(u"AB\0C")), "AB");
    // A zero byte is no NUL character: U+0100 is 00 01.
    EXPECT_EQ(LeBytesTextToUtf8(bytes(u"\u0100x")), "\u0100x");
    EXPECT_EQ(LeBytesTextToUtf8(bytes(u"gel\u00f6scht \U0001F916")), "gel\u00f6scht \U0001F916");
    EXPECT_EQ(LeBytesTextToUtf8(bytes(u"A") + "B"), "A"); // an odd last byte is no character
    // A surrogate cut off by the NUL stands alone.
    EXPECT_EQ(LeBytesTextToUtf8(bytes(std::u16string{char16_t{0xD83E}, u'\0', char16_t{0xDD16}})), "\uFFFD");
}

TEST(ProgramList, KeepsEntryZeroAndTheOrderOfDiscovery)
{
    ProgramList<std::string> list;
    EXPECT_EQ(list.UpperBound(), 0);
    list.Append() = "b";
    list.Append() = "a";
    list.Append() = "b";
    ASSERT_EQ(list.UpperBound(), 3);
    EXPECT_EQ(list[0], "");
    EXPECT_EQ(list[1], "b");
    EXPECT_EQ(list[2], "a");
    EXPECT_EQ(list[3], "b");
    list.Reset();
    EXPECT_EQ(list.UpperBound(), 0);
    EXPECT_EQ(list[0], "");
}

TEST(Hives, MapNamesIgnoringCaseAndNothingElse)
{
    EXPECT_EQ(RootHandleOf("HKEY_CLASSES_ROOT"), 0x80000000u);
    EXPECT_EQ(RootHandleOf("hkey_users"), 0x80000003u);
    EXPECT_EQ(RootHandleOf("HKEY_LOCAL_MACHINE"), 0x80000002u);
    EXPECT_EQ(RootHandleOf("HKCU"), kNoRoot);
    EXPECT_EQ(RootHandleOf(""), kNoRoot);
    EXPECT_EQ(HiveNameOf(0x80000001u), "HKEY_CURRENT_USER");
}

} // namespace
} // namespace hivetidy
