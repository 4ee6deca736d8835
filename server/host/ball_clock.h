#pragma once

// The ball's two clocks for a server without its console window: one step every 100 ms while
// the once-a-second gate lets the ball run. The console keeps its own timers, which it shows.

#include <QTimer>

#include <functional>

#include "server/game/server_game.h"

namespace quorvex::server {

class BallClock {
  public:
    // `beforeStep` and `afterStep` run around each step (a benchmark notes times there).
    explicit BallClock(ServerGame& game, std::function<void()> beforeStep = {},
                       std::function<void()> afterStep = {});
    void Start() { gate_.start(); }

  private:
    ServerGame& game_;
    std::function<void()> beforeStep_;
    std::function<void()> afterStep_;
    QTimer step_;
    QTimer gate_;
};

}  // namespace quorvex::server
