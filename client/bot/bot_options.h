#pragma once

// The computer player's command line: quorvex-client --bot [--host HOST] [--port PORT]
// [--name NAME] [--skill 1-5]. Plain C++, so that the window's command line stays its own.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "protocol/bot_skill.h"
#include "protocol/session/limits.h"

namespace quorvex::client::bot {

inline constexpr char kBotUsage[] =
    "Usage: quorvex-client --bot [--host HOST] [--port PORT] [--name NAME] [--skill 1-5]\n"
    "Plays without a window as a computer player.\n"
    "  --host HOST   the server (default 127.0.0.1)\n"
    "  --port PORT   the server's TCP port (default 4000)\n"
    "  --name NAME   the name in the seat table (default \"CPU 1\")\n"
    "  --skill N     1 misses often, 5 rarely (default 3)\n";

struct BotOptions {
    std::string host = "127.0.0.1";
    std::int32_t port = session::kDefaultPort;
    std::string name = "CPU 1";
    int skill = kDefaultBotSkill;
};

struct NotBot {};  // no --bot: the window's command line, not ours
struct BotHelp {};
struct BotError {
    std::string text;  // one line, without the program's name
};

using BotCommandLine = std::variant<NotBot, BotOptions, BotHelp, BotError>;

// `args` without the program's name. Options take their value as the next argument or after
// "=". Without a --bot of its own the line is NotBot. Otherwise anything unknown, a missing or bad
// value, or a repeated option is an error.
BotCommandLine ParseBotCommandLine(const std::vector<std::string>& args);

}  // namespace quorvex::client::bot
