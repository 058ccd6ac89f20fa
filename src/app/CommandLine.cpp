#include "app/CommandLine.h"

#include "shared/Text.h"

#include <algorithm>
#include <array>

namespace hivetidy {

namespace {

enum class SwitchId { Usage, List, Auto, Undo, Report, Backup, Overwrite, Maker };

// Whether a switch is one of the four things the program can be asked to do, or qualifies one.
enum class SwitchKind { Action, Option };

struct SwitchRule {
    SwitchId id;
    std::string_view name; // lower case, without the leading / or -
    SwitchKind kind;
    bool takesValue;
};

constexpr std::array<SwitchRule, 8> kSwitches{{
    {SwitchId::Usage, "?", SwitchKind::Action, false},
    {SwitchId::List, "list", SwitchKind::Action, false},
    {SwitchId::Auto, "auto", SwitchKind::Action, false},
    {SwitchId::Undo, "undo", SwitchKind::Action, true},
    {SwitchId::Report, "report", SwitchKind::Option, true},
    {SwitchId::Backup, "backup", SwitchKind::Option, true},
    {SwitchId::Overwrite, "overwrite", SwitchKind::Option, false},
    {SwitchId::Maker, "maker", SwitchKind::Option, false},
}};

// Which actions each option belongs to.
[[nodiscard]] bool BelongsTo(SwitchId option, SwitchId action)
{
    switch (option) {
    case SwitchId::Report:
        return action == SwitchId::List;
    case SwitchId::Backup:
        return action == SwitchId::Auto;
    case SwitchId::Overwrite:
    case SwitchId::Maker:
        return action == SwitchId::List || action == SwitchId::Auto;
    default:
        return false;
    }
}

// The actions an option belongs to, for the message that says where it does.
[[nodiscard]] std::string_view OwnersOf(SwitchId option)
{
    switch (option) {
    case SwitchId::Report:
        return "/list";
    case SwitchId::Backup:
        return "/auto";
    default:
        return "/list und /auto";
    }
}

[[nodiscard]] const SwitchRule* FindSwitch(std::string_view name)
{
    const auto found = std::find_if(kSwitches.begin(), kSwitches.end(),
                                    [&](const SwitchRule& rule) { return EqualsIgnoreCase(rule.name, name); });
    return found == kSwitches.end() ? nullptr : &*found;
}

// One switch as it was given.
struct GivenSwitch {
    const SwitchRule* rule;
    std::string spelling; // as typed, with its / or - and without the value, for the messages
    std::string value;
};

CommandLineError Error(std::string message)
{
    return CommandLineError{std::move(message)};
}

// A value with its quotes still around it (passed on by a caller that quoted the whole value
// once more) loses them; a quote left anywhere else cannot be part of a Windows path, and is
// what Windows' splitting makes of a quoted value that ends in a backslash ("C:\x\" keeps the
// closing quote as a character), so it is refused rather than taken as a name.
[[nodiscard]] std::variant<std::string, CommandLineError> ValueOf(std::string_view value, const std::string& spelling)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    if (value.find('"') != std::string_view::npos) {
        return Error("Der Wert von " + spelling + " enth\u00e4lt ein Anf\u00fchrungszeichen: " + std::string(value) +
                     ". Ein Pfad in Anf\u00fchrungszeichen darf nicht mit \\ enden.");
    }
    return std::string(value);
}

[[nodiscard]] std::variant<GivenSwitch, CommandLineError> ReadSwitch(const std::string& argument)
{
    if (argument.empty() || (argument.front() != '/' && argument.front() != '-')) {
        return Error("\"" + argument + "\" ist kein Schalter: Schalter beginnen mit / oder -.");
    }
    const std::size_t colon = argument.find(':');
    const std::string spelling = argument.substr(0, colon);
    const SwitchRule* rule = FindSwitch(std::string_view(spelling).substr(1));
    if (!rule) {
        return Error("Unbekannter Schalter: " + spelling + ".");
    }
    if (colon == std::string::npos) {
        if (rule->takesValue) {
            return Error("Zu " + spelling + " fehlt der Wert: " + spelling + ":DATEI.");
        }
        return GivenSwitch{rule, spelling, {}};
    }
    if (!rule->takesValue) {
        return Error("Der Schalter " + spelling + " nimmt keinen Wert: " + argument + ".");
    }
    auto value = ValueOf(std::string_view(argument).substr(colon + 1), spelling);
    if (auto* error = std::get_if<CommandLineError>(&value)) {
        return *error;
    }
    if (std::get<std::string>(value).empty()) {
        return Error("Zu " + spelling + " fehlt der Wert: " + spelling + ":DATEI.");
    }
    return GivenSwitch{rule, spelling, std::move(std::get<std::string>(value))};
}

} // namespace

std::variant<CommandLine, CommandLineError> ParseCommandLine(const std::vector<std::string>& arguments)
{
    // Asking for the usage does nothing, so it wins over whatever else was given: "/auto /?" is
    // someone asking how /auto goes, not a second action. Only over switches the program knows,
    // though: "/frobnicate /?" is a command line gone wrong, and a job must learn so from its code.
    const auto isUsage = [](const std::string& argument) { return argument == "/?" || argument == "-?"; };
    if (std::any_of(arguments.begin(), arguments.end(), isUsage)) {
        for (const std::string& argument : arguments) {
            if (isUsage(argument)) {
                continue;
            }
            const auto read = ReadSwitch(argument);
            if (const auto* error = std::get_if<CommandLineError>(&read)) {
                return *error;
            }
        }
        CommandLine usage;
        usage.action = CommandAction::Usage;
        return usage;
    }

    std::vector<GivenSwitch> given;
    const GivenSwitch* action = nullptr;
    for (const std::string& argument : arguments) {
        auto read = ReadSwitch(argument);
        if (auto* error = std::get_if<CommandLineError>(&read)) {
            return *error;
        }
        GivenSwitch& next = std::get<GivenSwitch>(read);
        for (const GivenSwitch& earlier : given) {
            if (earlier.rule == next.rule) {
                return Error("Der Schalter " + next.spelling + " ist zweimal angegeben.");
            }
            if (earlier.rule->kind == SwitchKind::Action && next.rule->kind == SwitchKind::Action) {
                return Error("Zwei Aufgaben auf einmal: " + earlier.spelling + " und " + next.spelling +
                             ". Es geht nur eine.");
            }
        }
        given.push_back(std::move(next));
    }
    if (given.empty()) {
        return CommandLine{};
    }
    for (const GivenSwitch& one : given) {
        if (one.rule->kind == SwitchKind::Action) {
            action = &one;
        }
    }
    if (!action) {
        return Error("Es fehlt die Aufgabe: /list, /auto oder /undo:DATEI.");
    }
    for (const GivenSwitch& one : given) {
        if (one.rule->kind == SwitchKind::Option && !BelongsTo(one.rule->id, action->rule->id)) {
            return Error("Der Schalter " + one.spelling + " geh\u00f6rt nicht zu " + action->spelling + ", nur zu " +
                         std::string(OwnersOf(one.rule->id)) + ".");
        }
    }

    CommandLine line;
    for (const GivenSwitch& one : given) {
        switch (one.rule->id) {
        case SwitchId::List:
            line.action = CommandAction::List;
            break;
        case SwitchId::Auto:
            line.action = CommandAction::Auto;
            break;
        case SwitchId::Undo:
            line.action = CommandAction::Undo;
            line.undoPath = one.value;
            break;
        case SwitchId::Report:
            line.reportPath = one.value;
            break;
        case SwitchId::Backup:
            line.backupPath = one.value;
            break;
        case SwitchId::Overwrite:
            line.overwrite = true;
            break;
        case SwitchId::Maker:
            line.maker = true;
            break;
        case SwitchId::Usage:
            break;
        }
    }
    if (line.action == CommandAction::Auto && line.backupPath.empty()) {
        return Error("Zu " + action->spelling + " fehlt /backup:DATEI, die Sicherungskopie des Laufs.");
    }
    return line;
}

std::vector<std::string> UsageText()
{
    return {
        "Hivetidy entfernt veraltete Registrierungen der Robotersteuerung aus der Registry.",
        "",
        "Aufruf:",
        "  hivetidy.exe                                   \u00f6ffnet das Fenster wie gewohnt",
        "  hivetidy.exe /list [/report:DATEI] [/overwrite] [/maker]",
        "  hivetidy.exe /auto /backup:DATEI [/overwrite] [/maker]",
        "  hivetidy.exe /undo:DATEI",
        "  hivetidy.exe /?",
        "",
        "  /list           zeigt, was ein Lauf entfernen w\u00fcrde, und entfernt nichts",
        "  /report:DATEI   schreibt dasselbe in die Datei (UTF-8), mit Rechnername, Datum,",
        "                  Programmversion und Installationsordner",
        "  /auto           ein ganzer Bereinigungslauf ohne Fenster und ohne R\u00fcckfrage",
        "  /backup:DATEI   die Sicherungskopie des Laufs; ihr Ordner muss bestehen",
        "  /overwrite      ersetzt eine bestehende Sicherungskopie oder einen bestehenden",
        "                  Bericht (sonst bleibt die Datei, und nichts beginnt); eine",
        "                  Sicherungskopie wird nie durch einen Bericht ersetzt",
        "  /maker          auch die Schl\u00fcssel des Herstellers, wie das K\u00e4stchen im Fenster",
        "  /undo:DATEI     spielt die Sicherungskopie eines fr\u00fcheren Laufs dieses Rechners",
        "                  wieder ein, so weit der Lauf sie geschrieben hat, und pr\u00fcft danach,",
        "                  ob jeder Schl\u00fcssel wieder da ist",
        "  /?              diese Hilfe",
        "",
        "Schalter beginnen mit / oder -, Gro\u00df- und Kleinschreibung z\u00e4hlt nicht. Ein Wert folgt",
        "nach einem Doppelpunkt, in Anf\u00fchrungszeichen, wo er Leerzeichen enth\u00e4lt.",
        "Ein Pfad ohne Laufwerk oder Ordner gilt vom aktuellen Ordner aus, in dem das Programm",
        "gestartet wurde.",
        "",
        "Beispiele:",
        "  start \"\" /wait hivetidy.exe /list /report:C:\\registry\\vorschau.txt /maker",
        "  start \"\" /wait hivetidy.exe /auto /backup:\"D:\\Sicherung PC 12\\sicherungskopie.reg\" /maker",
        "  start \"\" /wait hivetidy.exe /undo:\"D:\\Sicherung PC 12\\sicherungskopie.reg\"",
        "",
        "Das Programm braucht Administratorrechte: in einer Eingabeaufforderung starten, die als",
        "Administrator l\u00e4uft. cmd wartet auf das Programm nur mit start \"\" /wait (in einer",
        "Batchdatei auch ohne); danach steht der Exitcode in %ERRORLEVEL%. Jeder gel\u00f6schte",
        "Schl\u00fcssel steht im L\u00f6schprotokoll C:\\REGISTRY\\HIVETIDY.BAK.",
        "",
        "Exitcodes:",
        "  0  fertig: jeder gew\u00e4hlte Schl\u00fcssel entfernt oder nichts zu entfernen;",
        "     bei /list und /undo: erledigt",
        "  1  zum Teil: Schl\u00fcssel sind geblieben oder nur zum Teil entfernt;",
        "     bei /undo: nicht alles ist wieder da",
        "  2  fehlgeschlagen, bevor etwas gel\u00f6scht wurde; bei /undo: nichts eingespielt",
        "  3  fehlgeschlagen, nachdem Schl\u00fcssel gel\u00f6scht wurden; Sicherungskopie und",
        "     L\u00f6schprotokoll nennen sie",
        "  4  ein anderer Lauf ist im Gang; nichts wurde angefasst",
        "  5  Befehlszeile fehlerhaft; nichts wurde getan",
    };
}

} // namespace hivetidy
