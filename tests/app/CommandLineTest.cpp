#include "app/CommandLine.h"
#include "app/ExitCode.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace hivetidy::testing {
namespace {

struct GoodLine {
    const char* why; // the wrong line in the parser that the row catches
    std::vector<std::string> arguments;
    CommandLine expected;
};

// Builds the expected value field by field, so a row reads like the command line it stands for.
CommandLine Line(CommandAction action)
{
    CommandLine line;
    line.action = action;
    return line;
}

CommandLine WithReport(CommandLine line, std::string path)
{
    line.reportPath = std::move(path);
    return line;
}

CommandLine WithBackup(CommandLine line, std::string path)
{
    line.backupPath = std::move(path);
    return line;
}

CommandLine WithUndo(CommandLine line, std::string path)
{
    line.undoPath = std::move(path);
    return line;
}

CommandLine WithMaker(CommandLine line)
{
    line.maker = true;
    return line;
}

CommandLine WithOverwrite(CommandLine line)
{
    line.overwrite = true;
    return line;
}

const GoodLine kGoodLines[] = {
    {"no arguments taken for a preview instead of the window", {}, Line(CommandAction::Window)},
    {"/? not recognised", {"/?"}, Line(CommandAction::Usage)},
    {"only / taken as the switch prefix", {"-?"}, Line(CommandAction::Usage)},
    {"/? counted as a second action instead of asking how /auto goes", {"/auto", "/?"}, Line(CommandAction::Usage)},
    {"/list needing an option", {"/list"}, Line(CommandAction::List)},
    {"names compared with case", {"/LIST", "/Maker"}, WithMaker(Line(CommandAction::List))},
    {"- not taken as the prefix of every switch", {"-list", "-report:C:\\r.txt"},
     WithReport(Line(CommandAction::List), "C:\\r.txt")},
    // The value's own colons: a split at the last colon, or at every one, loses the drive.
    {"the value split at its last colon", {"/list", "/report:C:\\x y\\report.txt"},
     WithReport(Line(CommandAction::List), "C:\\x y\\report.txt")},
    {"the order of the switches mattering", {"/maker", "/backup:C:\\b.reg", "/auto"},
     WithMaker(WithBackup(Line(CommandAction::Auto), "C:\\b.reg"))},
    {"/overwrite not set", {"/auto", "/backup:C:\\x y\\b.reg", "/overwrite"},
     WithOverwrite(WithBackup(Line(CommandAction::Auto), "C:\\x y\\b.reg"))},
    {"/overwrite refused with /list, whose report it lets replace", {"/list", "/report:r.txt", "/overwrite"},
     WithOverwrite(WithReport(Line(CommandAction::List), "r.txt"))},
    {"the value's letters lower-cased with the switch", {"/AUTO", "/BACKUP:C:\\Sicherung\\PC\u00c4.reg"},
     WithBackup(Line(CommandAction::Auto), "C:\\Sicherung\\PC\u00c4.reg")},
    // A caller that quoted the whole value once more: its quotes survive Windows' splitting.
    {"surviving quotes kept in the path", {"/auto", "/backup:\"C:\\x y\\b.reg\""},
     WithBackup(Line(CommandAction::Auto), "C:\\x y\\b.reg")},
    {"/undo's value not taken", {"/undo:C:\\registry\\sicherungskopie.reg"},
     WithUndo(Line(CommandAction::Undo), "C:\\registry\\sicherungskopie.reg")},
};

void PrintTo(const GoodLine& row, std::ostream* out)
{
    *out << "catches " << row.why;
}

class GoodCommandLine : public ::testing::TestWithParam<GoodLine> {};

TEST_P(GoodCommandLine, BecomesItsValue)
{
    const GoodLine& row = GetParam();
    const auto parsed = ParseCommandLine(row.arguments);
    const auto* line = std::get_if<CommandLine>(&parsed);
    ASSERT_TRUE(line) << std::get<CommandLineError>(parsed).message;
    EXPECT_EQ(*line, row.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, GoodCommandLine, ::testing::ValuesIn(kGoodLines));

struct BadLine {
    const char* why;
    std::vector<std::string> arguments;
    std::string message;
};

const BadLine kBadLines[] = {
    {"an unknown switch ignored", {"/list", "/verbose"}, "Unbekannter Schalter: /verbose."},
    {"a prefix of a switch's name taken for it", {"/lis"}, "Unbekannter Schalter: /lis."},
    {"/h taken for help, which another program's switch could mean", {"/h"}, "Unbekannter Schalter: /h."},
    {"a word without a prefix taken as a value", {"/auto", "C:\\b.reg"},
     "\"C:\\b.reg\" ist kein Schalter: Schalter beginnen mit / oder -."},
    {"an empty argument (\"\" in a batch file) skipped", {"/list", ""},
     "\"\" ist kein Schalter: Schalter beginnen mit / oder -."},
    {"/auto run without a backup", {"/auto", "/maker"}, "Zu /auto fehlt /backup:DATEI, die Sicherungskopie des Laufs."},
    {"a switch that needs a value taken without one", {"/auto", "/backup"}, "Zu /backup fehlt der Wert: /backup:DATEI."},
    {"an empty value taken as a path", {"/auto", "/backup:"}, "Zu /backup fehlt der Wert: /backup:DATEI."},
    {"a value of only quotes taken as a path", {"/auto", "/backup:\"\""}, "Zu /backup fehlt der Wert: /backup:DATEI."},
    {"/report: taken as no report", {"/list", "/report:"}, "Zu /report fehlt der Wert: /report:DATEI."},
    {"/undo run without its file", {"/undo"}, "Zu /undo fehlt der Wert: /undo:DATEI."},
    {"a value on a switch without one dropped", {"/list", "/maker:x"}, "Der Schalter /maker nimmt keinen Wert: /maker:x."},
    // "C:\x y\" in quotes: Windows' splitting keeps the closing quote as a character.
    {"a stray quote kept in the path", {"/auto", "/backup:C:\\x y\""},
     "Der Wert von /backup enth\u00e4lt ein Anf\u00fchrungszeichen: C:\\x y\". Ein Pfad in "
     "Anf\u00fchrungszeichen darf nicht mit \\ enden."},
    {"the later of two actions taken", {"/list", "/auto", "/backup:C:\\b.reg"},
     "Zwei Aufgaben auf einmal: /list und /auto. Es geht nur eine."},
    {"/undo not counted as an action", {"/undo:C:\\b.reg", "/list"},
     "Zwei Aufgaben auf einmal: /undo und /list. Es geht nur eine."},
    {"the same action twice taken as one", {"/list", "/LIST"}, "Der Schalter /LIST ist zweimal angegeben."},
    {"the later of two backups taken", {"/auto", "/backup:C:\\a.reg", "/backup:C:\\b.reg"},
     "Der Schalter /backup ist zweimal angegeben."},
    {"/backup with /list ignored", {"/list", "/backup:C:\\b.reg"},
     "Der Schalter /backup geh\u00f6rt nicht zu /list, nur zu /auto."},
    {"/overwrite with /undo ignored", {"/undo:C:\\b.reg", "/overwrite"},
     "Der Schalter /overwrite geh\u00f6rt nicht zu /undo, nur zu /list und /auto."},
    // A job whose command line went wrong must learn so from its code, not get the usage and 0.
    {"/? winning over a switch nobody knows", {"/frobnicate", "/?"}, "Unbekannter Schalter: /frobnicate."},
    {"/? winning over a malformed switch", {"-?", "/backup:"}, "Zu /backup fehlt der Wert: /backup:DATEI."},
    {"/report with /auto ignored", {"/auto", "/backup:C:\\b.reg", "/report:C:\\r.txt"},
     "Der Schalter /report geh\u00f6rt nicht zu /auto, nur zu /list."},
    {"/maker with /undo ignored", {"/undo:C:\\b.reg", "/maker"},
     "Der Schalter /maker geh\u00f6rt nicht zu /undo, nur zu /list und /auto."},
    {"options alone opening the window", {"/maker", "/overwrite"}, "Es fehlt die Aufgabe: /list, /auto oder /undo:DATEI."},
};

void PrintTo(const BadLine& row, std::ostream* out)
{
    *out << "catches " << row.why;
}

class BadCommandLine : public ::testing::TestWithParam<BadLine> {};

TEST_P(BadCommandLine, SaysWhatWasWrong)
{
    const BadLine& row = GetParam();
    const auto parsed = ParseCommandLine(row.arguments);
    const auto* error = std::get_if<CommandLineError>(&parsed);
    ASSERT_TRUE(error) << "taken";
    EXPECT_EQ(error->message, row.message);
}

INSTANTIATE_TEST_SUITE_P(Table, BadCommandLine, ::testing::ValuesIn(kBadLines));

// The usage is what a service engineer reads before writing a job: a switch or an exit code
// missing from it (a line dropped while the text is edited) leaves them guessing.
TEST(Usage, NamesEverySwitchAndEveryExitCode)
{
    std::string text;
    for (const std::string& line : UsageText()) {
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
        text += line + "\n";
    }
    for (const char* part : {"/list", "/report:DATEI", "/maker", "/auto", "/backup:DATEI", "/overwrite",
                             "/undo:DATEI", "/?", "start \"\" /wait", "Administrator"}) {
        EXPECT_NE(text.find(part), std::string::npos) << part;
    }
    for (int code = ToInt(ExitCode::Done); code <= ToInt(ExitCode::BadCommandLine); ++code) {
        EXPECT_NE(text.find("\n  " + std::to_string(code) + "  "), std::string::npos) << code;
    }
}

} // namespace
} // namespace hivetidy::testing
