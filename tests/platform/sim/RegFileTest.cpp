#include "platform/sim/RegFile.h"
#include "platform/sim/SimRegistry.h"

#include "platform/sim/Cp1252.h"
#include "shared/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace hivetidy::sim {
namespace {

using namespace std::string_literals;

constexpr std::string_view kKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Test";

std::string Utf16File(std::string_view utf8Text)
{
    return "\xFF\xFE"s + Utf16ToLeBytes(Utf8ToUtf16(utf8Text));
}

std::vector<std::string> Lines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string_view::npos; start = end + 2) {
        lines.emplace_back(text.substr(start, end - start));
    }
    return lines;
}

std::string Bytes(std::size_t count)
{
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i) {
        bytes.push_back(static_cast<char>(i & 0xFF));
    }
    return bytes;
}

class RegFileTest : public ::testing::Test {
protected:
    // The export of the test key after its own "[key]" line.
    std::string Body(ExportFormat format)
    {
        const std::string text = *ExportKeyText(registry, kKey, format);
        const std::size_t keyLine = text.find("\r\n\r\n") + 4;
        return text.substr(text.find("\r\n", keyLine) + 2);
    }

    SimRegistry registry;
};

TEST_F(RegFileTest, Version5IsUtf16WithMarkHeaderAndAnEmptyLineAfterEveryKey)
{
    registry.SetString(kKey, "", "C:\\Pfad \"x\" \u00e4");
    registry.SetDword(kKey, "Zahl", 10);
    registry.CreateKey(std::string(kKey) + "\\Unter");
    EXPECT_EQ(*ExportKey(registry, kKey, ExportFormat::Version5),
              Utf16File("Windows Registry Editor Version 5.00\r\n"
                        "\r\n"
                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
                        "@=\"C:\\\\Pfad \\\"x\\\" \u00e4\"\r\n"
                        "\"Zahl\"=dword:0000000a\r\n"
                        "\r\n"
                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\Unter]\r\n"
                        "\r\n"));
}

TEST_F(RegFileTest, Version4IsAnsiAndLosesWhatTheCodePageLacks)
{
    registry.SetString("HKCU\\Software\\Gr\u00f6\u00dfe", "Ma\u00df", "\u00e4\u20ac \u03a9");
    EXPECT_EQ(*ExportKey(registry, "HKEY_CURRENT_USER\\Software\\Gr\u00f6\u00dfe", ExportFormat::Version4),
              "REGEDIT4\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\Gr\xf6\xdf"
              "e]\r\n"
              "\"Ma\xdf\"=\"\xe4\x80 ?\"\r\n"
              "\r\n");
}

TEST_F(RegFileTest, TheKeyIsWrittenAsAskedForAndTheKeysBelowItAsStored)
{
    registry.CreateKey("HKCU\\Software\\Gr\u00f6\u00dfe\\Kind");
    const auto lines = Lines(*ExportKeyText(registry, "hkey_current_user\\SOFTWARE\\GR\u00d6\u00dfE", ExportFormat::Version5));
    EXPECT_EQ(lines[2], "[hkey_current_user\\SOFTWARE\\GR\u00d6\u00dfE]");
    EXPECT_EQ(lines[4], "[hkey_current_user\\SOFTWARE\\GR\u00d6\u00dfE\\Kind]");
    EXPECT_EQ(Lines(*ExportKeyText(registry, "HKCU\\Software", ExportFormat::Version5))[2], "[HKEY_CURRENT_USER\\Software]");
}

TEST_F(RegFileTest, DataThatIsNoCleanStringOrDwordIsWrittenAsHexBytes)
{
    registry.SetBinary(kKey, "bin", "\x01\xab"s);
    registry.SetBinary(kKey, "leer", "");
    registry.SetRaw(kKey, RawValue{"none", kRegNone, ""});
    registry.SetRaw(kKey, RawValue{"qword", kRegQword, "\x01\0\0\0\0\0\0\0"s});
    registry.SetRaw(kKey, RawValue{"kurz", kRegDword, "\x01\x02"s});
    registry.SetRaw(kKey, RawValue{"offen", kRegSz, "A\0"s}); // without its NUL
    EXPECT_EQ(Body(ExportFormat::Version5), "\"bin\"=hex:01,ab\r\n"
                                            "\"leer\"=hex:\r\n"
                                            "\"none\"=hex(0):\r\n"
                                            "\"qword\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                                            "\"kurz\"=hex(4):01,02\r\n"
                                            "\"offen\"=hex(1):41,00\r\n"
                                            "\r\n");
}

TEST_F(RegFileTest, ExpandAndMultiStringsAreUtf16InVersion5AndAnsiInVersion4)
{
    registry.SetExpandString(kKey, "pfad", "%\u00c4%");
    registry.SetMultiString(kKey, "liste", {"a", "\u00e4"});
    EXPECT_EQ(Body(ExportFormat::Version5), "\"pfad\"=hex(2):25,00,c4,00,25,00,00,00\r\n"
                                            "\"liste\"=hex(7):61,00,00,00,e4,00,00,00,00,00\r\n"
                                            "\r\n");
    EXPECT_EQ(Body(ExportFormat::Version4), "\"pfad\"=hex(2):25,c4,25,00\r\n"
                                            "\"liste\"=hex(7):61,00,e4,00,00\r\n"
                                            "\r\n");
}

TEST_F(RegFileTest, LongHexDataWrapsAsTheEditorWrapsIt)
{
    registry.SetBinary(kKey, "", Bytes(30));
    EXPECT_EQ(Body(ExportFormat::Version5),
              "@=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,\\\r\n"
              "  18,19,1a,1b,1c,1d\r\n"
              "\r\n");

    // At most 80 characters a line, 25 bytes on each full continued line.
    registry.SetBinary(kKey, "", "");
    registry.SetBinary(kKey, "abc", Bytes(300));
    const auto lines = Lines(Body(ExportFormat::Version5));
    std::size_t longest = 0;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        longest = std::max(longest, lines[i].size());
        const bool last = i + 2 == lines.size();
        EXPECT_EQ(lines[i].starts_with("  "), i > 1) << lines[i];
        EXPECT_EQ(lines[i].ends_with(",\\"), !last) << lines[i];
        if (i > 1 && !last) {
            EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), ','), 25) << lines[i];
        }
    }
    EXPECT_EQ(longest, 80u);
}

TEST_F(RegFileTest, AKeyThatCannotBeOpenedIsNotExported)
{
    registry.CreateKey(std::string(kKey) + "\\Gesperrt\\Innen");
    registry.SetString(std::string(kKey) + "\\Stumm", "v", "x");
    registry.CreateKey(std::string(kKey) + "\\Stumm\\Kind");
    EXPECT_EQ(ExportKey(registry, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Fehlt", ExportFormat::Version5), std::nullopt);
    EXPECT_EQ(ExportKey(registry, "HKEY_NOWHERE\\SOFTWARE", ExportFormat::Version4), std::nullopt);
    EXPECT_EQ(ExportKey(registry, std::string(kKey) + "\\", ExportFormat::Version4), std::nullopt);

    // Below the key, a key that cannot be opened is left out and one that cannot be read is empty.
    registry.DenyOpen(std::string(kKey) + "\\Gesperrt");
    registry.FailEnumeration(std::string(kKey) + "\\Stumm");
    EXPECT_EQ(Body(ExportFormat::Version5), "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\Stumm]\r\n\r\n");
    registry.DenyOpen(std::string(kKey));
    EXPECT_EQ(ExportKey(registry, kKey, ExportFormat::Version5), std::nullopt);
}

class RoundTrip : public RegFileTest, public ::testing::WithParamInterface<ExportFormat> {};

TEST_P(RoundTrip, ExportDeleteImportRestoresTheKeyExactly)
{
    const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\R\u00fcckweg";
    registry.SetString(key, "Gr\u00f6\u00dfe", "\u00e4\u00f6\u00fc \u00df \u20ac \"zitiert\" C:\\Pfad\\");
    registry.SetString(key, "", "");
    registry.SetExpandString(key, "Pfad", "%ProgramFiles%\\\u00c4");
    registry.SetMultiString(key, "Liste", {"eins", "zwei \u00e4"});
    registry.SetDword(key, "Zahl", 0xdeadbeef);
    registry.SetBinary(key, "Daten", Bytes(300));
    registry.SetString(key + "\\Unterschl\u00fcssel\\Tiefer", "Wert", "x");
    registry.CreateKey(key + "\\Leer");
    const std::string before = registry.Dump();

    const auto exported = ExportKey(registry, key, GetParam());
    ASSERT_TRUE(exported.has_value());
    ASSERT_TRUE(registry.DeleteKey(key));
    ASSERT_FALSE(registry.KeyExists(key));
    EXPECT_TRUE(ImportRegFile(registry, *exported));
    EXPECT_EQ(registry.Dump(), before);
}

INSTANTIATE_TEST_SUITE_P(BothVersions, RoundTrip, ::testing::Values(ExportFormat::Version4, ExportFormat::Version5),
                         [](const auto& info) { return info.param == ExportFormat::Version4 ? "Version4" : "Version5"; });

TEST_F(RegFileTest, ClassesRootIsExportedMergedAndImportedWhereWindowsWritesIt)
{
    registry.SetString("HKLM\\SOFTWARE\\Classes\\Omx.A", "", "Maschine");
    registry.CreateKey("HKLM\\SOFTWARE\\Classes\\Omx.A\\Maschine");
    registry.SetString("HKCU\\Software\\Classes\\Omx.A", "", "Nutzer");
    registry.CreateKey("HKCU\\Software\\Classes\\Omx.A\\Nutzer");
    EXPECT_EQ(Lines(*ExportKeyText(registry, "HKEY_CLASSES_ROOT\\Omx.A", ExportFormat::Version5)),
              (std::vector<std::string>{"Windows Registry Editor Version 5.00", "", "[HKEY_CLASSES_ROOT\\Omx.A]",
                                        "@=\"Nutzer\"", "", "[HKEY_CLASSES_ROOT\\Omx.A\\Maschine]", "",
                                        "[HKEY_CLASSES_ROOT\\Omx.A\\Nutzer]", ""}));

    // A 32-bit class is exported by its native name, through either hive.
    registry.SetString("HKLM\\SOFTWARE\\Classes\\WOW6432Node\\CLSID\\{1}", "", "32");
    for (const char* name : {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\WOW6432Node\\CLSID\\{1}",
                             "HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\{1}"}) {
        const auto text = ExportKeyText(registry, name, ExportFormat::Version5);
        ASSERT_TRUE(text) << name;
        EXPECT_EQ(Lines(*text)[3], "@=\"32\"") << name;
    }

    // Imported: into the user's key where the user has one, else into the machine's.
    const RegImport imported = ImportRegText(registry,
                                             "REGEDIT4\r\n[HKEY_CLASSES_ROOT\\Omx.A]\r\n\"Neu\"=\"n\"\r\n"
                                             "[HKEY_CLASSES_ROOT\\Omx.B]\r\n@=\"b\"\r\n",
                                             HexStrings::ByHeader, false);
    EXPECT_TRUE(imported.rejected.empty());
    EXPECT_TRUE(registry.GetRaw("HKCU\\Software\\Classes\\Omx.A", "Neu").has_value());
    EXPECT_FALSE(registry.GetRaw("HKLM\\SOFTWARE\\Classes\\Omx.A", "Neu").has_value());
    EXPECT_TRUE(registry.GetRaw("HKLM\\SOFTWARE\\Classes\\Omx.B", "").has_value());
}

TEST_F(RegFileTest, ImportTellsTheVersionsApartByMarkAndHeader)
{
    EXPECT_TRUE(ImportRegFile(registry, Utf16File("Windows Registry Editor Version 5.00\r\n\r\n"
                                                  "[HKEY_CURRENT_USER\\\u00c4]\r\n\"\u00f6\"=\"\u20ac\"\r\n")));
    EXPECT_TRUE(ImportRegFile(registry, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\\xc4]\r\n\"\xdf\"=\"\x80\"\r\n"));
    EXPECT_EQ(registry.GetRaw("HKCU\\\u00e4", "\u00f6")->data, Utf16ToLeBytes(u"\u20ac"s + u'\0'));
    EXPECT_EQ(registry.GetRaw("HKCU\\\u00e4", "\u00df")->data, Utf16ToLeBytes(u"\u20ac"s + u'\0'));
}

TEST_F(RegFileTest, ImportRefusesAFileWithoutAKnownHeader)
{
    const std::string before = registry.Dump();
    for (const std::string& file : {""s, "REGEDIT\r\n[HKCU\\A]\r\n"s, "REGEDIT4x\r\n[HKCU\\A]\r\n"s,
                                    "\xef\xbb\xbfREGEDIT4\r\n[HKCU\\A]\r\n"s,
                                    Utf16ToLeBytes(u"Windows Registry Editor Version 5.00\r\n[HKCU\\A]\r\n"),
                                    "[HKCU\\A]\r\nREGEDIT4\r\n"s}) {
        EXPECT_FALSE(ImportRegFile(registry, file)) << file;
    }
    EXPECT_EQ(registry.Dump(), before);
}

TEST_F(RegFileTest, ImportDeletesKeysAndValuesMarkedWithAMinus)
{
    registry.SetString(std::string(kKey) + "\\Weg\\Tief", "", "x");
    registry.SetString(kKey, "alt", "x");
    registry.SetString(kKey, "", "x");
    EXPECT_TRUE(ImportRegFile(registry, "REGEDIT4\r\n"
                                        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\Weg]\r\n"
                                        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\NieDa]\r\n"
                                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
                                        "\"alt\"=-\r\n"
                                        "@=-\r\n"
                                        "\"nieDa\"=-\r\n"));
    EXPECT_FALSE(registry.KeyExists(std::string(kKey) + "\\Weg"));
    EXPECT_EQ(Body(ExportFormat::Version5), "\r\n");
}

TEST_F(RegFileTest, ImportPassesOverCommentsBlanksAndTextAfterTheClosingBracket)
{
    EXPECT_TRUE(ImportRegFile(registry, "REGEDIT4\n"
                                        "; a comment\r"
                                        "  [HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]  ; more\n"
                                        "\n"
                                        "\t\"a\" = \"x\" ; after\r\n"
                                        "@ = dword:0000000A\r\n"));
    EXPECT_EQ(Body(ExportFormat::Version5), "\"a\"=\"x\"\r\n@=dword:0000000a\r\n\r\n");
}

TEST_F(RegFileTest, ImportJoinsContinuedHexLines)
{
    EXPECT_TRUE(ImportRegFile(registry, "REGEDIT4\r\n"
                                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
                                        "\"a\"=hex:01,02,\\\r\n"
                                        "\r\n"
                                        "  ; between\r\n"
                                        "  03,04\r\n"
                                        "\"b\"=hex:05,\\\r\n"));
    EXPECT_EQ(registry.GetRaw(kKey, "a")->data, "\x01\x02\x03\x04"s);
    EXPECT_EQ(registry.GetRaw(kKey, "b")->data, "\x05"s); // continued to the end of the file
}

TEST_F(RegFileTest, ImportGivesStringDataItsTerminatingNul)
{
    EXPECT_TRUE(ImportRegFile(registry, Utf16File("Windows Registry Editor Version 5.00\r\n"
                                                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
                                                  "\"a\"=hex(2):41,00\r\n"
                                                  "\"leer\"=hex(2):\r\n")));
    EXPECT_TRUE(ImportRegFile(registry, "REGEDIT4\r\n"
                                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
                                        "\"b\"=hex(7):c4\r\n"));
    EXPECT_EQ(*registry.GetRaw(kKey, "a"), (RawValue{"a", kRegExpandSz, "A\0\0\0"s}));
    EXPECT_EQ(*registry.GetRaw(kKey, "leer"), (RawValue{"leer", kRegExpandSz, ""}));
    EXPECT_EQ(*registry.GetRaw(kKey, "b"), (RawValue{"b", kRegMultiSz, "\xc4\0\0\0"s}));
}

TEST_F(RegFileTest, ABadLineFailsTheImportWhileTheOtherLinesAreTaken)
{
    const std::vector<std::string> badLines{
        "\"a\"=\"unterminated",     "\"a\"=\"x\" y",      "\"a\"=dword:123456789", "\"a\"=dword:",
        "\"a\"=dword:12g",          "\"a\"=hex:1g",       "\"a\"=hex:100",         "\"a\"=hex(x):00",
        "\"a\"=hex(0x2):00",        "\"a\"=str:\"x\"",    "\"a\" \"x\"",           "\"a",
        "\"a\"=hex:01,\\ x",        "[HKEY_NOWHERE\\X]",  "[ HKEY_CURRENT_USER\\X]", "[HKEY_CURRENT_USER\\X",
        "[HKEY_CURRENT_USER\\\\X]", "[-HKEY_CURRENT_USER]",
    };
    for (const std::string& bad : badLines) {
        SimRegistry fresh;
        const std::string file = "REGEDIT4\r\n[HKEY_CURRENT_USER\\Gut]\r\n" + bad + "\r\n[HKEY_CURRENT_USER\\Gut]\r\n\"b\"=\"y\"\r\n";
        EXPECT_FALSE(ImportRegFile(fresh, file)) << bad;
        EXPECT_TRUE(fresh.GetRaw("HKCU\\Gut", "b").has_value()) << bad;
        EXPECT_FALSE(fresh.GetRaw("HKCU\\Gut", "a").has_value()) << bad;
    }
    // A value needs a key to go to.
    EXPECT_FALSE(ImportRegFile(registry, "REGEDIT4\r\n\"a\"=\"x\"\r\n"));
    EXPECT_FALSE(ImportRegFile(registry, "REGEDIT4\r\n[-HKEY_CURRENT_USER\\A]\r\n\"a\"=\"x\"\r\n"));
}

TEST_F(RegFileTest, TheEditorPassesOverStrayLinesWhileFixturesMayHaveNone)
{
    const std::string text = "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\nREGEDIT4\r\n\"a\"=\"x\"\r\n";
    EXPECT_TRUE(ImportRegFile(registry, text));
    EXPECT_TRUE(registry.GetRaw("HKCU\\A", "a").has_value());
    SimRegistry fixture;
    EXPECT_THROW(fixture.LoadRegText(text), std::invalid_argument);
}

TEST_F(RegFileTest, LoadRegTextNamesTheFirstBadLine)
{
    try {
        registry.LoadRegText("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=dword:x\r\n");
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find("line 4"), std::string::npos) << e.what();
    }
    EXPECT_THROW(registry.LoadRegText("[HKEY_CURRENT_USER\\A]\r\n"), std::invalid_argument);
}

TEST_F(RegFileTest, LoadRegTextReadsHexStringsAsItsHeaderVersionWritesThem)
{
    registry.LoadRegText("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v4\"=hex(2):c4,00\n");
    registry.LoadRegText("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"v5\"=hex(2):c4,00,00,00\n");
    EXPECT_EQ(registry.GetRaw("HKCU\\A", "v4")->data, "\xc4\0\0\0"s);
    EXPECT_EQ(registry.GetRaw("HKCU\\A", "v5")->data, "\xc4\0\0\0"s);
}

} // namespace
} // namespace hivetidy::sim
