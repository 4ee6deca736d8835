#pragma once

// The computer player's program: quorvex-client --bot runs this instead of its window.

#include "client/command_line.h"

namespace quorvex::client::bot {

// The whole program, on its own event loop without a window; the exit code.
int RunComputerPlayer(int argc, char** argv, const BotOptions& options);

}  // namespace quorvex::client::bot
