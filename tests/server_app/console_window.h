#pragma once

// The real console window, offscreen, on a session with short time-outs, its player-count box
// answered with `count` (nullopt: cancelled).

#include <QListWidget>

#include <optional>
#include <string>
#include <vector>

#include "server/window/server_window.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/session_harness.h"

namespace quorvex::test {

struct ConsoleWindow {
    explicit ConsoleWindow(std::optional<std::string> count = "11")
        : prompter({count}), session(FastLimits()), window(session, prompter, 0) {
        window.Start();
    }
    // The texts of a list's rows, top to bottom.
    static std::vector<std::string> Column(const QListWidget* box) {
        std::vector<std::string> rows;
        for (int i = 0; i < box->count(); ++i)
            rows.push_back(box->item(i)->text().toStdString());
        return rows;
    }
    std::vector<std::string> Players() const { return Column(window.PlayerName); }

    ScriptedPrompter prompter;
    server::ServerSession session;
    server::ServerWindow window;
};

}  // namespace quorvex::test
