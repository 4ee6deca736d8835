#pragma once

// quorvex-client's one command line, for both ways to play: the window, which asks for what the
// line leaves out (with no arguments it asks exactly as it always has), and --bot, a computer
// player without a window or prompts. Each option is one row of the table in command_line.cpp.
// Plain C++, read before any application object exists, so --help needs no display.

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "protocol/bot_skill.h"
#include "protocol/session/limits.h"

namespace quorvex::client {

inline constexpr int kBadArgumentsExitCode = 2;
// The longest line --password-stdin reads: a password, not a file's worth of bytes, yet as
// long as one argument may be on Linux, so that any password a server takes on its command
// line reaches its computer players this way.
inline constexpr std::size_t kMaxPasswordBytes = 128 * 1024;

// A person at the window. What is missing here is asked for at start-up.
struct WindowOptions {
    std::optional<std::string> host;
    std::optional<std::string> name;
    std::int32_t port = session::kDefaultPort;
    // Given to the server when it asks; without it the window asks the player.
    std::optional<std::string> password;
    // Silent for this run, whatever was remembered.
    bool mute = false;
};

// A computer player: nobody to ask, so every answer has a default.
struct BotOptions {
    std::string host = "127.0.0.1";
    std::string name = "CPU 1";
    std::int32_t port = session::kDefaultPort;
    std::optional<std::string> password;
    int skill = kDefaultBotSkill;
};

// The program is to end at once: `text` goes to standard output when `code` is 0 (help,
// version), else to standard error.
struct CommandLineExit {
    int code = 0;
    std::string text;
};

using ClientCommandLine = std::variant<WindowOptions, BotOptions, CommandLineExit>;

// `args` as main() received them, without the program's name, undecoded: every text must be
// UTF-8. `input` is read, one line, only for --password-stdin, and only when nothing else is
// wrong with the line.
ClientCommandLine ParseClientCommandLine(const std::vector<std::string>& args, std::istream& input);

}  // namespace quorvex::client
