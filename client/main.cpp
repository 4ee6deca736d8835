#include <QApplication>

#include <cstdio>
#include <variant>

#include "client/bot/bot_main.h"
#include "client/client_command_line.h"
#include "client/window/client_session.h"
#include "client/window/client_window.h"
#include "client/window/remembered_choices.h"
#include "client/window/server_finder.h"
#include "protocol/session/discovery_targets.h"
#include "protocol/session/limits.h"
#include "ui/qt_prompter.h"

int main(int argc, char** argv) {
    // A computer player has no window: it runs on its own event loop before any is made.
    if (const auto botExit = quorvex::client::bot::BotMain(argc, argv)) {
        return *botExit;
    }
    using namespace quorvex::client;
    // Read before the application exists, so that --help and --version need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    const auto parsed = ParseClientCommandLine(arguments);
    if (const auto* end = std::get_if<CommandLineExit>(&parsed)) {
        std::fputs(end->text.c_str(), end->code == 0 ? stdout : stderr);
        return end->code;
    }
    const auto& given = std::get<ClientOptions>(parsed);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvex-client"));
    quorvex::QtPrompter prompter;
    ServerFinder finder(quorvex::session::DiscoveryTargets);
    // Only what a person typed is kept: a scripted run must not change their defaults.
    StartOptions start = RememberingStartOptions();
    start.host = given.host;
    start.name = given.name;
    start.hostChoices = &finder;
    ClientSession session(prompter, quorvex::session::kDefaultPort);
    session.SetStartOptions(start);
    ClientWindow window(session);
    prompter.SetParent(&window);
    window.Start();
    if (session.Ended()) {
        // Start-up failed; the box has been shown and there is nothing to run.
        return 1;
    }
    return QApplication::exec();
}
