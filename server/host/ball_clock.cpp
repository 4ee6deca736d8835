#include "server/host/ball_clock.h"

namespace quorvex::server {

BallClock::BallClock(ServerGame& game, std::function<void()> beforeStep,
                     std::function<void()> afterStep)
    : game_(game), beforeStep_(std::move(beforeStep)), afterStep_(std::move(afterStep)) {
    // A coarse timer may fire up to 5 % early when the loop is busy, and every early step moves
    // the ball faster for every player alike.
    step_.setTimerType(Qt::PreciseTimer);
    step_.setInterval(100);
    gate_.setInterval(1000);
    QObject::connect(&step_, &QTimer::timeout, [this] {
        if (beforeStep_) {
            beforeStep_();
        }
        game_.BallStep();
        if (afterStep_) {
            afterStep_();
        }
    });
    QObject::connect(&gate_, &QTimer::timeout, [this] { Gate(); });
}

void BallClock::Gate() {
    if (!game_.BallGate()) {
        step_.stop();
    } else if (!step_.isActive()) {
        step_.start();
    }
}

void BallClock::Stop() {
    gate_.stop();
    step_.stop();
}

}  // namespace quorvex::server
