#include "server/dedicated/dedicated_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkInterface>

#include <csignal>
#include <cstdio>

#include "server/bots/bot_launcher.h"
#include "server/dedicated/console_commands.h"
#include "server/dedicated/console_input.h"
#include "server/dedicated/event_log.h"
#include "server/game/console_text.h"
#include "server/host/ball_clock.h"
#include "server/host/game_host.h"
#include "server/stats/standings_keeper.h"
#include "server/watch/watch_service.h"
#include "ui/stop_signals.h"

namespace quorvex::server {
namespace {

// Every address a client elsewhere could use; loopback and link-local ones only when there is
// nothing else.
std::string HostAddresses() {
    std::string text;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.isLoopback() || address.isLinkLocal()) {
            continue;
        }
        text += (text.empty() ? "" : ", ") + address.toString().toStdString();
    }
    return text.empty() ? "127.0.0.1" : text;
}

}  // namespace

int RunDedicatedServer(const ServerOptions& options) {
    GameHost host;
    ServerGame& game = host.Game();
    game.SetLobbyResend(true);  // nobody sits at a desk to pick the game again
    EventLog log(game, stdout);
    host.SetLogCallback([&log](const std::string& line) { log.Notice(line); });
    host.SetPassword(options.password);
    if (const auto error = host.Host(*options.players, options.port)) {
        std::fprintf(stderr, "quorvex-server: cannot host the game: %s\n", error->c_str());
        return 1;
    }
    stats::StandingsKeeper standings(game, [&log](const std::string& line) { log.Line(line); });
    standings.SetNext(&log);
    const std::string statsFile = options.statsFile.value_or(stats::DefaultStandingsPath());
    const bool keepStandings = !statsFile.empty() && standings.Open(statsFile);
    game.SetEvents(&standings);
    log.Line("hosting " + LogQuoted(kSessionName) + " on TCP port " + std::to_string(host.Port()) +
             " for " + std::to_string(*options.players) + " players (the server's own included)");
    log.Line("host addresses: " + HostAddresses());
    if (!options.password.empty()) {
        log.Line("players must give the password to join");
    }
    game.StartUpBallDirection();
    ApplyStartSettings(options, game);
    host.SetDropGrace(options.dropAfter);
    log.Line("players whose connection is lost are removed after " +
             std::to_string(options.dropAfter.count()) + " s");

    if (keepStandings) {
        log.Line("standings kept in " + statsFile);
    }
    watch::WatchService watchPage(host, keepStandings ? &standings : nullptr);
    watchPage.SetChatShown(options.webChat);
    if (options.webPort) {
        if (const auto error =
                watchPage.Start(static_cast<quint16>(*options.webPort), options.webLoopbackOnly)) {
            log.Line("error: the watch page is off: " + *error);
        } else {
            log.Line("watch page: " + watchPage.Url());
        }
    }

    QElapsedTimer started;
    started.start();
    BallClock ball(game);
    ball.Start();

    // They connect over loopback like anyone else; closing the session ends them.
    BotLauncher bots;
    bots.SetPassword(options.password);
    const auto startBot = [&](int skill) {
        std::string error;
        if (const auto name = bots.Add(host.Port(), skill, &error)) {
            log.Line("computer player " + LogQuoted(*name) + " started, skill " +
                     std::to_string(skill));
        } else {
            log.Line("error: the computer player could not start: " + error);
        }
    };
    for (int i = 0; i < options.bots; ++i) {
        startBot(options.botSkill);
    }

    const auto stop = [&](const std::string& why) {
        log.Line(why + "; closing the session");
        game.SetEvents(nullptr);
        host.CloseServer();
        QCoreApplication::quit();
    };
    StdinLines input(
        [&](const std::string& line) {
            const auto reply = RunConsoleCommand(game, line, UptimeAfter(started.elapsed()), &host,
                                                 keepStandings ? &standings : nullptr);
            for (const auto& text : reply.lines) {
                log.Line(text);
            }
            if (reply.startBot) {
                startBot(*reply.startBot == 0 ? options.botSkill : *reply.startBot);
            }
            if (reply.quit) {
                stop("quit");
            }
        },
        [&] { log.Line("standard input closed; commands are off (SIGTERM stops the server)"); },
        [&] { log.Line("error: command line too long, ignored"); });
    StopSignals stopSignals([&](int signal) { stop(signal == SIGINT ? "SIGINT" : "SIGTERM"); });
    const int code = QCoreApplication::exec();
    game.SetEvents(nullptr);
    return code;
}

}  // namespace quorvex::server
