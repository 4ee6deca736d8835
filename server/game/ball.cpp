#include <cmath>

#include "protocol/messages.h"
#include "protocol/numeric.h"
#include "server/game/peer_number.h"
#include "server/game/send_to_all.h"
#include "server/game/server_game.h"

namespace quorvex::server {
namespace {

// The game has always turned degrees into radians with 3.14; the clients use the same number.
constexpr double kDegreesToRadians = 3.14 / 180;
constexpr double kStepLength = 255;

// A whole direction 0 to 359 from a draw in [0, 1). A source that strays outside [0, 1), or
// the rounding of a draw just below 1, cannot give 360 or a negative direction.
template <class Float>
std::string DirectionFrom(double draw) {
    const Float whole = std::floor(static_cast<Float>(draw) * static_cast<Float>(360));
    if (!(whole >= 0)) {
        return "0";
    }
    return FormatInteger(whole > 359 ? 359 : static_cast<std::int64_t>(whole));
}

}  // namespace

bool ServerGame::BallStep() {
    const auto angle = StrictNumber(ballAngle_);
    const auto left = NumericValue(ballLeft_);
    const auto top = NumericValue(ballTop_);
    if (!angle || !left || !top) {
        return false;
    }
    const double a = *angle * kDegreesToRadians;
    // Rounding down on every step makes the motion a little uneven; that is how it has always
    // moved. The ball is not kept inside anything: clients report what it meets.
    ballLeft_ = FormatDouble(std::floor(*left + std::sin(a) * kStepLength));
    ballTop_ = FormatDouble(std::floor(*top - std::cos(a) * kStepLength));
    return SendToAll(outbox_, msg::BallUpdate{ballLeft_, ballTop_, ballAngle_});
}

bool ServerGame::HandleBallEvent(ByteView bytes) {
    const auto event = msg::Decode<msg::BallEvent>(bytes);
    if (!event) {
        return false;
    }
    if (event->kind == msg::kBallBounce) {
        // A direction that is not a finite number could never be stepped: the ball would
        // stand still for good. Such a bounce is ignored and the ball keeps its direction.
        if (!StrictNumber(event->value)) {
            return false;
        }
        ballAngle_ = event->value;
        return true;
    }
    // Every other kind is a miss at the seat the value names.
    const auto seat = PeerInt16(event->value);
    if (!seat || !CountMiss(*seat)) {
        return false;
    }
    ResetBall();
    return SendScoreboard();
}

void ServerGame::ResetBall() {
    ballLeft_ = kBallStartLeft;
    ballTop_ = kBallStartTop;
    ballAngle_ = DirectionFrom<float>(random_());
}

void ServerGame::StartUpBallDirection() {
    ballAngle_ = DirectionFrom<double>(random_());
}

bool ServerGame::BallGate() {
    const auto seats = static_cast<std::int64_t>(seats_.size());
    ballTimerRunning_ = seats > 0 && (seats <= readyCount_ || gameType_ == GameType::FreeForAll);
    return ballTimerRunning_;
}

}  // namespace quorvex::server
