#include "bench/server_load/load_bot.h"

#include <cmath>

#include "bench/support/figures.h"
#include "protocol/messages.h"
#include "protocol/numeric.h"
#include "protocol/session/limits.h"

namespace quorvex::bench {
namespace {

constexpr double kCentreX = 5235;
constexpr double kCentreY = 3750;
// Past this distance from the centre, heading outwards, the ball "meets a wall".
constexpr double kWallDistance = 3000;

}  // namespace

bool LoadBot::recording = false;

LoadBot::LoadBot(int index, quint16 port) : index_(index) {
    client_.RegisterMessageHandler(this);
    session::ConnectScripted(client_, "bot" + std::to_string(index), "127.0.0.1", port);
    // Precise: Qt lines coarse timers up on shared boundaries, which would make every bot
    // report in the same instant, as players on separate machines never do.
    paddleTimer_.setTimerType(Qt::PreciseTimer);
    paddleTimer_.setInterval(100);
    QObject::connect(&paddleTimer_, &QTimer::timeout, [this] { SendPaddle(); });
}

void LoadBot::StartPlaying(int phaseMs) {
    QTimer::singleShot(phaseMs, Qt::PreciseTimer, &paddleTimer_, [this] {
        SendPaddle();
        paddleTimer_.start();
    });
}

void LoadBot::Close() {
    paddleTimer_.stop();
    client_.Close(0);
}

void LoadBot::ConnectComplete(const session::Status& result) {
    connected_ = result.Ok();
    lost_ = !result.Ok();
}

void LoadBot::Receive(session::PlayerId /*from*/, ByteView message) {
    const std::int64_t now = MonotonicNs();
    if (recording) {
        ++received;
    }
    switch (static_cast<msg::Type>(message[0])) {
        case msg::Type::BallUpdate:
            if (recording) {
                if (const auto ball = msg::Decode<msg::BallUpdate>(message)) {
                    arrivals.push_back({now, ball->left + ' ' + ball->top + ' ' + ball->angle});
                }
            }
            AnswerBall(message);
            break;
        case msg::Type::Scoreboard:
            if (const auto board = msg::Decode<msg::Scoreboard>(message)) {
                seatsSeen_ = board->seats.size();
                seat_ = -1;
                const std::string own = FormatInteger(client_.LocalPlayerId());
                for (std::size_t i = 0; i < board->seats.size() && seat_ < 0; ++i) {
                    if (board->seats[i].id == own) {
                        seat_ = static_cast<int>(i);
                    }
                }
            }
            break;
        default:
            break;
    }
}

void LoadBot::AnswerBall(ByteView message) {
    const auto ball = msg::Decode<msg::BallUpdate>(message);
    if (!ball || seat_ < 0) {
        return;
    }
    const auto left = StrictNumber(ball->left);
    const auto top = StrictNumber(ball->top);
    const auto angle = StrictNumber(ball->angle);
    if (!left || !top || !angle) {
        return;
    }
    const double dx = *left - kCentreX;
    const double dy = *top - kCentreY;
    const double a = *angle * 3.14 / 180;
    const bool outwards = std::sin(a) * dx - std::cos(a) * dy > 0;
    if (dx * dx + dy * dy < kWallDistance * kWallDistance || !outwards) {
        return;
    }
    // Every seated client reports a wall bounce, as real ones do; each turns the ball back a
    // little differently, and the last report to arrive wins.
    const auto turned = static_cast<std::int64_t>(std::floor(*angle)) + 180 + 7 * (index_ % 9);
    Send(*msg::Encode(msg::BallEvent{msg::kBallBounce, FormatInteger(turned % 360)}), true);
}

void LoadBot::SendPaddle() {
    if (seat_ < 0) {
        return;
    }
    const msg::PaddleUpdate paddle{FormatInteger(seat_), "3000.25", "2232.07", "3708.51",
                                   "1526.375"};
    Send(*msg::Encode(paddle), false);
}

void LoadBot::Send(const Buffer& message, bool bounce) {
    if (!client_.Send(message, 0, session::kSendGuaranteed | session::kSendNoLoopback).Ok()) {
        return;
    }
    if (recording) {
        ++sent;
        bounces += bounce ? 1 : 0;
    }
}

}  // namespace quorvex::bench
