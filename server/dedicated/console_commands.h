#pragma once

// The dedicated server's commands, one per line of standard input:
//   list                        every player, its seats, and the game's state
//   kick ID                     removes the player and ends its connection, as the console's
//                               kick button does
//   ban ID [MINUTES]            kicks the player and refuses its address and name (10 minutes)
//   unban ID|ADDRESS|NAME       lifts bans by their number, address or player name
//   bans                        every live ban with the time it has left
//   game TYPE [LIMIT]           picks points, survivor or free4all (and the limit first)
//   limit L                     sets the miss limit, 0 to 99
//   bot [SKILL]                 starts a computer player (skill 1-5)
//   quit                        closes the session and ends the server
// Anything else is answered with an error naming the commands; nothing changes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/game/server_game.h"
#include "server/host/game_host.h"

namespace quorvex::server {

struct CommandReply {
    std::vector<std::string> lines;  // what the command prints, one log line each
    bool quit = false;
    // `bot`: a computer player is to be started, with this skill (0: the server's default).
    std::optional<int> startBot = std::nullopt;
    // The bans changed: the copy kept across restarts is to be written again.
    bool changedBans = false;
};

// `uptime` is the console's "Uptime: hh:mm:ss" text, for `list`.
// `host`: the session's bans; without it, ban, unban and bans are answered with an error.
CommandReply RunConsoleCommand(ServerGame& game, std::string_view line, const std::string& uptime,
                               GameHost* host = nullptr);

}  // namespace quorvex::server
