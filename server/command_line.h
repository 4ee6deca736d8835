#pragma once

// The server's command line. Without arguments the server runs exactly as it always has: the
// window, and the prompt for the number of players. Each option is one entry in the table in
// command_line.cpp and one field here.

#include <QStringList>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "protocol/bot_skill.h"
#include "protocol/session/limits.h"
#include "server/game/drop_record.h"
#include "server/game/game_types.h"
#include "server/game/server_game.h"

namespace quorvex::server {

struct ServerOptions {
    // The most players the game holds (the server's own included); without it the window asks.
    std::optional<std::int32_t> players;
    // Dedicated mode: no window, no prompt; a log on standard output, commands on standard
    // input.
    bool headless = false;
    std::optional<GameType> game;
    std::optional<std::string> limit;
    // Dedicated mode only: how long a player whose connection is gone stays listed.
    std::chrono::seconds dropAfter{kDefaultDropGraceMs / 1000};
    // Computer players started with the server, and the skill of those and of the ones added
    // later without a skill of their own.
    int bots = 0;
    int botSkill = kDefaultBotSkill;
    // The password players must know to join; empty: anyone may join.
    std::string password;
    // Not shown in the help: tests host on a free port (0) instead of the game's own.
    std::int32_t port = session::kDefaultPort;
    // Running as a service: the settings file (empty: none), a command to send to a running
    // server instead of hosting, the control socket (empty: the default place), the file the
    // password is read from, where bans are kept (empty: the default place), whether standard
    // input is left alone, the log as JSON objects, the greeting each newcomer gets.
    std::string config;
    std::optional<std::string> command;
    std::string control;
    std::string passwordFile;
    std::string stateDir;
    bool noStdin = false;
    bool jsonLog = false;
    std::string motd;
};

// Exit statuses besides 0, 1 (the game could not be hosted) and 2 (a bad command line or
// settings file), for a service manager that should not restart what a restart cannot mend.
inline constexpr int kExitPortTaken = 3;
inline constexpr int kExitNoPassword = 4;

// What the command line asks for: options to run with, or an exit at once with a text (help and
// version on standard output with code 0; a mistake on standard error with code 2).
struct CommandLine {
    ServerOptions options;
    std::optional<int> exitCode;
    std::string text;
};

// `arguments` as QCoreApplication::arguments gives them, the program's name first. Needs no
// application object, so that the caller can pick a windowless one for dedicated mode.
CommandLine ParseServerCommandLine(const QStringList& arguments);

// The limit, then the game type (which may raise the limit), as the options give them.
void ApplyStartSettings(const ServerOptions& options, ServerGame& game);

// "points", "survivor", "free4all" as the command line and the dedicated console name them.
std::optional<GameType> GameTypeFromName(std::string_view name);
std::string GameTypeName(GameType type);

}  // namespace quorvex::server
