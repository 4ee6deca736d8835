#pragma once

// The ball's clock: one step every 100 ms while the once-a-second gate lets the ball run. The
// console runs the gate from its uptime tick; a server without a console lets Start() run it
// from a timer of its own.

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
    // The once-a-second gate: starts or stops the steps.
    void Gate();
    void Stop();
    bool Stepping() const { return step_.isActive(); }

  private:
    ServerGame& game_;
    std::function<void()> beforeStep_;
    std::function<void()> afterStep_;
    QTimer step_;
    QTimer gate_;
};

}  // namespace quorvex::server
