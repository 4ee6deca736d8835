#include "server/dedicated/dedicated_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkInterface>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>

#include "protocol/session/control_socket.h"
#include "server/bots/bot_launcher.h"
#include "server/dedicated/console_commands.h"
#include "server/dedicated/console_input.h"
#include "server/dedicated/event_log.h"
#include "server/dedicated/service_manager.h"
#include "server/dedicated/state_directory.h"
#include "server/game/console_text.h"
#include "server/host/ball_clock.h"
#include "server/host/game_host.h"
#include "server/server_config.h"
#include "server/stats/standings_keeper.h"
#include "server/watch/watch_service.h"
#include "ui/signal_events.h"

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

bool PortTaken(const std::string& error) {
    const std::string prefix =
        "Error #" + std::to_string(static_cast<int>(session::ErrorCode::PortUnavailable)) + ":";
    return error.starts_with(prefix);
}

// Empty: bans last as long as the process.
std::string BansFile(const ServerOptions& options) {
    const std::string directory = StateDirectory(options.stateDir);
    return directory.empty() ? directory : directory + "/bans";
}

}  // namespace

int RunDedicatedServer(const ServerOptions& startOptions, const QStringList& arguments) {
    ServerOptions options = startOptions;
    GameHost host;
    ServerGame& game = host.Game();
    game.SetLobbyResend(true);  // nobody sits at a desk to pick the game again
    EventLog log(game, stdout);
    log.SetJson(options.jsonLog);
    host.SetLogCallback([&log](const std::string& line) { log.Notice(line); });
    host.SetPassword(options.password);
    host.SetGreeting(options.motd);
    host.SetResumeGrace(options.resumeGrace);
    if (const auto error = host.Host(*options.players, options.port)) {
        std::fprintf(stderr, "quorvex-server: cannot host the game: %s\n", error->c_str());
        return PortTaken(*error) ? kExitPortTaken : 1;
    }
    stats::StandingsKeeper standings(game, [&log](const std::string& line) { log.Line(line); });
    standings.SetNext(&log);
    const std::string statsFile = options.statsFile.value_or(stats::DefaultStandingsPath());
    const bool keepStandings = !statsFile.empty() && standings.Open(statsFile);
    game.SetEvents(&standings);
    // SIGHUP is caught from here on: its default would end the server.
    std::function<void()> reload = [] {};
    ServiceManager manager(
        [&] {
            return std::to_string(game.Roster().size()) + " players, game " +
                   GameTypeName(game.SelectedGameType()) + ", limit " + game.Limit();
        },
        [&] { reload(); });
    log.Line("hosting " + LogQuoted(kSessionName) + " on TCP port " + std::to_string(host.Port()) +
             " for " + std::to_string(*options.players) + " players (the server's own included)");
    log.Line("host addresses: " + HostAddresses());
    if (!options.config.empty()) {
        log.Line("settings read from " + options.config);
    }
    if (!options.password.empty()) {
        log.Line("players must give the password to join");
    }
    game.StartUpBallDirection();
    ApplyStartSettings(options, game);
    host.SetDropGrace(options.dropAfter);
    log.Line("players whose connection is lost are removed after " +
             std::to_string(std::max(options.dropAfter, options.resumeGrace).count()) + " s");
    if (options.resumeGrace.count() > 0) {
        log.Line("players whose connection is lost may come back within " +
                 std::to_string(options.resumeGrace.count()) + " s");
    }

    // Bans outlive the process: read back at start, written whole after every change.
    const auto loadBans = [&] {
        std::string error;
        const std::string path = BansFile(options);
        if (path.empty()) {
            return;
        }
        if (const auto text = ReadStateFile(path, &error)) {
            std::vector<std::string> errors;
            const auto count = host.LoadBans(*text, &errors);
            log.Line("bans: " + std::to_string(count) + " read from " + path);
            for (const auto& why : errors) {
                log.Line("error: " + path + ": " + why);
            }
        } else if (!error.empty()) {
            log.Line("error: bans not read: " + error);
        }
    };
    const auto saveBans = [&] {
        std::string error;
        if (!BansFile(options).empty() &&
            !WriteStateFile(BansFile(options), host.SavedBans(), &error)) {
            log.Line("error: bans not saved: " + error);
        }
    };
    loadBans();

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
        manager.Stopping();
        game.SetEvents(nullptr);
        host.CloseServer();
        QCoreApplication::quit();
    };
    // Standard input and the control socket alike: the reply's lines, logged too.
    const auto run = [&](const std::string& line) {
        const auto reply = RunConsoleCommand(game, line, UptimeAfter(started.elapsed()), &host,
                                             keepStandings ? &standings : nullptr);
        for (const auto& text : reply.lines) {
            log.Line(text);
        }
        if (reply.changedBans) {
            saveBans();
        }
        if (reply.startBot) {
            startBot(*reply.startBot == 0 ? options.botSkill : *reply.startBot);
        }
        if (reply.quit) {
            stop("quit");
        }
    };
    StdinLines input([&](const std::string& line) { run(line); },
                     [&] {
                         log.Line(
                             "standard input closed; commands are off (the control socket and "
                             "SIGTERM still work)");
                     },
                     [&] { log.Line("error: command line too long, ignored"); }, !options.noStdin);

    // The reply is every line the command wrote, its effects included ("kicked: ..."), as the
    // operator at the terminal would have read them.
    session::ControlSocket control(
        [&](const std::string& line, uid_t uid) {
            log.Line("command from the control socket (user " + std::to_string(uid) +
                     "): " + LogQuoted(line));
            std::string text;
            log.SetCopy([&text](const std::string& written) {
                text += (text.empty() ? "" : "\n") + written;
            });
            run(line);
            log.SetCopy({});
            return text.empty() ? std::string("ok") : text;
        },
        [&](const std::string& notice) { log.Notice(notice); });
    const std::string controlPath =
        options.control.empty() ? session::DefaultControlPath() : options.control;
    if (const auto error = control.Listen(controlPath)) {
        log.Line("error: no control socket: " + *error);
    } else {
        log.Line("commands also on the control socket " + controlPath);
    }

    // SIGHUP: what can change while players play is applied, the rest waits for a restart.
    reload = [&] {
        manager.Reloading();
        const CommandLine loaded = LoadServerOptions(arguments);
        if (loaded.exitCode) {
            std::string why = loaded.text.substr(0, loaded.text.find('\n'));
            if (why.starts_with("quorvex-server: ")) {
                why.erase(0, 16);
            }
            log.Line("error: settings not reloaded, the old ones stay: " + why);
            return;
        }
        const ServerOptions& next = loaded.options;
        std::vector<std::string> changed;
        if (next.password != options.password) {
            host.SetPassword(next.password);
            bots.SetPassword(next.password);
            changed.push_back(next.password.empty() ? "password off" : "password changed");
        }
        if (next.limit && next.limit != options.limit) {
            game.SetLimitText(*next.limit);
            changed.push_back("limit " + *next.limit);
        }
        if (next.dropAfter != options.dropAfter) {
            host.SetDropGrace(next.dropAfter);
            changed.push_back("drop after " + std::to_string(next.dropAfter.count()) + " s");
        }
        if (next.resumeGrace != options.resumeGrace) {
            host.SetResumeGrace(next.resumeGrace);
            changed.push_back("resume grace " + std::to_string(next.resumeGrace.count()) + " s");
        }
        if (next.motd != options.motd) {
            host.SetGreeting(next.motd);
            changed.push_back("motd");
        }
        const bool newBansFile = BansFile(next) != BansFile(options);
        const std::vector<std::string> later =
            (next.players != options.players || next.port != options.port ||
             next.control != options.control || next.jsonLog != options.jsonLog)
                ? std::vector<std::string>{"players, port, control or log-format"}
                : std::vector<std::string>{};
        const std::string kept = options.control;
        options = next;
        options.control = kept;
        if (newBansFile) {
            saveBans();
            changed.push_back(BansFile(options).empty() ? "bans no longer kept"
                                                        : "bans kept in " + BansFile(options));
        }
        std::string text;
        for (const auto& each : changed) {
            text += (text.empty() ? "" : ", ") + each;
        }
        log.Line("settings reloaded: " + (text.empty() ? std::string("nothing changed") : text) +
                 (later.empty() ? "" : "; " + later.front() + " change at the next start"));
    };
    manager.Ready();

    SignalEvents stopSignals({SIGINT, SIGTERM},
                             [&](int signal) { stop(signal == SIGINT ? "SIGINT" : "SIGTERM"); });
    const int code = QCoreApplication::exec();
    game.SetEvents(nullptr);
    return code;
}

}  // namespace quorvex::server
