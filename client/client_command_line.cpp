#include "client/client_command_line.h"

#include <QCommandLineParser>

#include "protocol/session/limits.h"

namespace quorvex::client {
namespace {

CommandLineExit Bad(const QString& problem) {
    return {kBadArgumentsExitCode,
            "quorvex-client: " + problem.toStdString() + "\nTry 'quorvex-client --help'.\n"};
}

}  // namespace

std::variant<ClientOptions, CommandLineExit> ParseClientCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Quorvex, the paddle-and-ball game for groups of friends: the player's "
                       "program. Without options it asks for the server and the player name."));
    const QCommandLineOption host(
        QStringLiteral("host"),
        QStringLiteral("Connect to HOST (a name, an IPv4 or IPv6 address) without asking."),
        QStringLiteral("HOST"));
    const QCommandLineOption name(QStringLiteral("name"),
                                  QStringLiteral("Play as NAME without asking."),
                                  QStringLiteral("NAME"));
    // Our own --help rather than Qt's, which would offer Qt's options as well; they are not
    // taken, since the command line is read before the application starts.
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and end."));
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and end."));
    // A computer player's command line is read before this one (it needs no display); these
    // two are here so that --help tells of them.
    const QCommandLineOption bot(
        QStringLiteral("bot"),
        QStringLiteral("Play as a computer player: no window, no prompts; --host defaults to "
                       "127.0.0.1 and --name to \"CPU 1\"."));
    const QCommandLineOption skill(
        QStringLiteral("skill"),
        QStringLiteral("With --bot: how well it plays, 1 (misses often) to 5 (rarely); default 3."),
        QStringLiteral("1-5"));
    for (const auto* option : {&host, &name, &bot, &skill, &help, &version}) {
        parser.addOption(*option);
    }
    if (!parser.parse(arguments)) {
        return Bad(parser.errorText());
    }
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), QStringLiteral("quorvex-client"));
        return CommandLineExit{0, text.toStdString()};
    }
    if (parser.isSet(version)) {
        return CommandLineExit{0, "quorvex-client " QUORVEX_VERSION "\n"};
    }
    if (parser.isSet(skill)) {
        return Bad(QStringLiteral("--skill is for a computer player: give --bot as well."));
    }
    if (!parser.positionalArguments().isEmpty()) {
        return Bad("Unexpected argument '" + parser.positionalArguments().front() + "'.");
    }
    ClientOptions options;
    for (const auto& [option, target] : {std::pair{&host, &options.host}, {&name, &options.name}}) {
        const QStringList values = parser.values(*option);
        if (values.size() > 1) {
            return Bad("--" + option->names().front() + " is given more than once.");
        }
        if (!values.isEmpty()) {
            *target = values.front().toStdString();
        }
    }
    if (options.host && options.host->empty()) {
        return Bad(QStringLiteral("--host needs a host name or address."));
    }
    if (options.name && options.name->size() > session::Limits{}.maxNameBytes) {
        return Bad(
            QStringLiteral("--name is longer than %1 bytes.").arg(session::Limits{}.maxNameBytes));
    }
    return options;
}

}  // namespace quorvex::client
