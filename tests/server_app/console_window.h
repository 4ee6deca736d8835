#pragma once

// The real console window, offscreen, on a session with short time-outs, its player-count box
// answered with `count` (nullopt: cancelled).

#include <optional>
#include <string>
#include <vector>

#include "kit/session_ends.h"
#include "server/window/server_window.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/shown_texts.h"

namespace quorvex::test {

struct ConsoleWindow {
    explicit ConsoleWindow(std::optional<std::string> count = "11")
        : prompter({count}), host(kit::FastLimits()), window(host, prompter, 0) {
        window.Start();
    }
    std::vector<std::string> Players() const { return Rows(window.PlayerName); }

    ScriptedPrompter prompter;
    server::GameHost host;
    server::ServerWindow window;
};

}  // namespace quorvex::test
