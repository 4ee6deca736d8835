#include "server/command_line.h"

#include <QCommandLineParser>

#include <algorithm>

#include "protocol/numeric.h"
#include "server/game/limit_text.h"

namespace quorvex::server {
namespace {

constexpr char kUsageHint[] = "Try 'quorvex-server --help' for the options.";

// A whole number from `low` to `high`, written as plain digits.
std::optional<std::int64_t> WholeNumber(const QString& text, std::int64_t low, std::int64_t high) {
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || text.trimmed() != text || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

CommandLine Fail(const std::string& reason) {
    CommandLine result;
    result.exitCode = 2;
    result.text = "quorvex-server: " + reason + "\n" + kUsageHint + "\n";
    return result;
}

std::string Quoted(const QString& text) {
    return "\"" + text.toStdString() + "\"";
}

}  // namespace

std::optional<GameType> GameTypeFromName(std::string_view name) {
    if (name == "points") {
        return GameType::Points;
    }
    if (name == "survivor") {
        return GameType::Survivor;
    }
    if (name == "free4all") {
        return GameType::FreeForAll;
    }
    return std::nullopt;
}

std::string GameTypeName(GameType type) {
    switch (type) {
        case GameType::Points:
            return "points";
        case GameType::Survivor:
            return "survivor";
        case GameType::FreeForAll:
            break;
    }
    return "free4all";
}

void ApplyStartSettings(const ServerOptions& options, ServerGame& game) {
    if (options.limit) {
        game.SetLimitText(*options.limit);
    }
    if (options.game) {
        game.PickGameType(*options.game);
    }
}

CommandLine ParseServerCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Hosts a Quorvex game on TCP port 4000. Without options it shows its console window and "
        "asks for the number of players.");
    const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version({"v", "version"}, "Show the version and exit.");
    const QCommandLineOption players(
        "players",
        "The most players the game holds, the server's own included (2 or more); "
        "skips the prompt.",
        "N");
    const QCommandLineOption headless(
        "headless",
        "Dedicated mode: no window; events on standard output, commands (list, kick "
        "ID, game TYPE [LIMIT], limit L, bot [SKILL], quit) on standard input and the control "
        "socket. Needs --players.");
    const QCommandLineOption game("game", "Game type at start: points, survivor or free4all.",
                                  "TYPE");
    const QCommandLineOption limit("limit", "Miss limit at start, 0 to 99.", "L");
    const QCommandLineOption dropAfter(
        "drop-after",
        QStringLiteral("Dedicated mode: remove a player whose connection is gone after this many "
                       "seconds (default %1).")
            .arg(kDefaultDropGraceMs / 1000),
        "SECONDS");
    const QCommandLineOption bots(
        "bots", "Start K computer players with the server; each joins like a client.", "K");
    const QCommandLineOption botSkill(
        "bot-skill",
        QString::fromStdString("Their skill, and the console's first choice: " + BotSkillRange() +
                               "; default " + std::to_string(kDefaultBotSkill) + "."),
        "S");
    const QCommandLineOption password(
        "password",
        "Players must know this password to join (it never travels in clear); in the window "
        "it fills the Password box.",
        "TEXT");
    QCommandLineOption port("port", "TCP port to host on (0: any free one).", "PORT");
    port.setFlags(QCommandLineOption::HiddenFromHelp);
    const QCommandLineOption config(
        "config",
        "Read options from this INI file (default /etc/quorvex/server.conf with --headless, when "
        "it exists); the command line wins. SIGHUP reads it again.",
        "FILE");
    const QCommandLineOption command(
        "command", "Send one console command to the running server, print its reply and exit.",
        "TEXT");
    const QCommandLineOption control(
        "control", "The control socket's path (default $RUNTIME_DIRECTORY/control).", "PATH");
    const QCommandLineOption passwordFile(
        "password-file", "Read the password from the first line of this file.", "FILE");
    const QCommandLineOption stateDir(
        "state-dir", "Where bans are kept across restarts (default $STATE_DIRECTORY).", "DIR");
    const QCommandLineOption noStdin("no-stdin",
                                     "Dedicated mode: take no commands on standard input.");
    const QCommandLineOption logFormat("log-format", "Dedicated mode: the log as text or json.",
                                       "FORMAT");
    const QCommandLineOption motd("motd", "A chat line each newcomer gets once, from the server.",
                                  "TEXT");
    parser.addOptions({help, version, players, headless, game, limit, dropAfter, bots, botSkill,
                       password, port, config, command, control, passwordFile, stateDir, noStdin,
                       logFormat, motd});

    if (!parser.parse(arguments)) {
        return Fail(parser.errorText().toStdString());
    }
    if (!parser.positionalArguments().isEmpty()) {
        return Fail("unexpected argument " + Quoted(parser.positionalArguments().front()));
    }
    CommandLine result;
    if (parser.isSet(help) || parser.isSet(version)) {
        result.exitCode = 0;
        // Without an application object the usage line has no program name of its own.
        result.text = parser.isSet(help) ? parser.helpText()
                                               .replace(QStringLiteral("<executable_name>"),
                                                        QStringLiteral("quorvex-server"))
                                               .toStdString()
                                         : "quorvex-server " + std::string(QUORVEX_VERSION) + "\n";
        return result;
    }
    ServerOptions& options = result.options;
    options.headless = parser.isSet(headless);
    if (parser.isSet(command)) {
        options.command = parser.value(command).toStdString();
        options.control = parser.value(control).toStdString();
        return result;  // a client of a running server: nothing else matters
    }
    options.config = parser.value(config).toStdString();
    options.control = parser.value(control).toStdString();
    options.passwordFile = parser.value(passwordFile).toStdString();
    options.stateDir = parser.value(stateDir).toStdString();
    options.noStdin = parser.isSet(noStdin);
    options.motd = parser.value(motd).toStdString();
    if (parser.isSet(logFormat)) {
        if (parser.value(logFormat) != "text" && parser.value(logFormat) != "json") {
            return Fail("--log-format takes text or json, not " + Quoted(parser.value(logFormat)));
        }
        options.jsonLog = parser.value(logFormat) == "json";
    }
    if (parser.isSet(password) && parser.isSet(passwordFile)) {
        return Fail("--password and --password-file cannot both be given");
    }
    if (parser.isSet(players)) {
        const auto count = WholeNumber(parser.value(players), 2, INT32_MAX);
        if (!count) {
            return Fail(
                "--players takes a whole number of at least 2 (the server's own player "
                "included), not " +
                Quoted(parser.value(players)));
        }
        options.players = static_cast<std::int32_t>(*count);
    } else if (options.headless) {
        return Fail("--headless needs --players N: nobody is there to answer the prompt");
    }
    if (parser.isSet(game)) {
        options.game = GameTypeFromName(parser.value(game).toStdString());
        if (!options.game) {
            return Fail("--game takes points, survivor or free4all, not " +
                        Quoted(parser.value(game)));
        }
    }
    if (parser.isSet(limit)) {
        if (!ValidLimitText(parser.value(limit).toStdString())) {
            return Fail("--limit takes a miss limit from 0 to 99, not " +
                        Quoted(parser.value(limit)));
        }
        options.limit = parser.value(limit).toStdString();
    }
    if (parser.isSet(dropAfter)) {
        if (!options.headless) {
            return Fail(
                "--drop-after is for dedicated mode (--headless); the window has its "
                "check box");
        }
        const auto seconds = WholeNumber(parser.value(dropAfter), 0, 24 * 60 * 60);
        if (!seconds) {
            return Fail("--drop-after takes a whole number of seconds from 0 to 86400, not " +
                        Quoted(parser.value(dropAfter)));
        }
        options.dropAfter = std::chrono::seconds(*seconds);
    }
    if (parser.isSet(botSkill)) {
        const auto skill = WholeNumber(parser.value(botSkill), kLowestBotSkill, kHighestBotSkill);
        if (!skill) {
            return Fail("--bot-skill takes " + BotSkillChoices() + ", not " +
                        Quoted(parser.value(botSkill)));
        }
        options.botSkill = static_cast<int>(*skill);
    }
    if (parser.isSet(bots)) {
        // Each one takes a place among the players, beside the server's own.
        const std::int64_t room =
            options.players ? std::min<std::int64_t>(*options.players - 1, 1000) : 1000;
        const auto count = WholeNumber(parser.value(bots), 0, room);
        if (!count) {
            return Fail("--bots takes a whole number from 0 to " + std::to_string(room) +
                        (options.players ? " (--players less the server's own)" : "") + ", not " +
                        Quoted(parser.value(bots)));
        }
        options.bots = static_cast<int>(*count);
    }
    if (parser.isSet(password)) {
        if (parser.value(password).isEmpty()) {
            return Fail("--password takes a password that is not empty");
        }
        options.password = parser.value(password).toStdString();
    }
    if (parser.isSet(port)) {
        const auto number = WholeNumber(parser.value(port), 0, 65535);
        if (!number) {
            return Fail("--port takes a TCP port from 0 to 65535, not " +
                        Quoted(parser.value(port)));
        }
        options.port = static_cast<std::int32_t>(*number);
    }
    return result;
}

}  // namespace quorvex::server
