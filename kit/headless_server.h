#pragma once

// A game server without a window, for tests and benchmarks: a host on a free loopback port
// with its ball on its own clock ("Free 4 All": the ball runs while anyone is seated).

#include <functional>
#include <optional>
#include <string>

#include "server/host/ball_clock.h"
#include "server/host/game_host.h"

namespace quorvex::kit {

class HeadlessServer {
  public:
    // Hosts `host` (a subclass may count what it sends) for `maxPlayers`; check Error().
    // `beforeStep` and `afterStep` run around each ball step.
    HeadlessServer(server::GameHost& host, int maxPlayers, std::function<void()> beforeStep = {},
                   std::function<void()> afterStep = {});

    const std::optional<std::string>& Error() const { return error_; }
    quint16 Port() const { return host_.Port(); }
    server::ServerGame& Game() { return host_.Game(); }

    // As a child process of a benchmark: prints "PORT <n>", hands each line of standard input
    // to `command` ("quit" also ends the loop) and runs until then. 1 when it could not host.
    int Serve(const std::function<void(const std::string& line)>& command);

  private:
    server::GameHost& host_;
    std::optional<std::string> error_;
    server::BallClock ball_;
};

}  // namespace quorvex::kit
