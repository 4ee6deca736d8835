#pragma once

// A real server and real client windows on one event loop, every input box answered from a
// script and every program end recorded instead of ending the test.

#include <QString>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "client/link/human_player.h"
#include "client/window/client_window.h"
#include "server/host/game_host.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/shown_texts.h"

namespace quorvex::test {

using Answers = std::deque<std::optional<std::string>>;

struct TestServer {
    // Hosts for `maxPlayers`, the server's own player included.
    explicit TestServer(std::int32_t maxPlayers = 11);
    quint16 Port() const { return host.Port(); }
    server::ServerGame& Game() { return host.Game(); }
    // The names in the server's seat table, in seat order.
    std::vector<std::string> SeatNames();

    server::GameHost host;
    std::optional<std::string> hostError;
};

struct TestClient {
    // Runs Form_Load against `port` with the scripted answers (and `options` as main() would
    // set them from the command line).
    TestClient(std::int32_t port, Answers answers,
               std::optional<client::StartOptions> options = std::nullopt);
    // Answers the host box with 127.0.0.1 and the name box with `name`.
    static std::unique_ptr<TestClient> Named(std::int32_t port, const std::string& name);

    client::ClientState& State() { return player.State(); }
    std::string ChatText() const;  // what txtChat shows
    // Waits for the connection notice in the log and for this player's own seat row.
    bool WaitSeated(int timeoutMs = 5000);

    ScriptedPrompter prompter;
    client::HumanPlayer player;
    client::ClientWindow window;
    std::vector<int> exitCodes;
};

bool Contains(const std::string& text, std::string_view part);

}  // namespace quorvex::test
