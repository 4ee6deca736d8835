#pragma once

// The computer player's program: quorvex-client with --bot runs this instead of its window.

#include <optional>

namespace quorvex::client::bot {

// The whole program for a --bot command line: its own event loop, no window. Nothing when the
// command line is not a computer player's; otherwise the exit code.
std::optional<int> BotMain(int argc, char** argv);

}  // namespace quorvex::client::bot
