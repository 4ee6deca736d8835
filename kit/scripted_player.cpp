#include "kit/scripted_player.h"

#include <algorithm>
#include <cmath>

#include "kit/figures.h"
#include "protocol/messages.h"
#include "protocol/numeric.h"
#include "protocol/session/limits.h"

namespace quorvex::kit {

namespace {

constexpr double kCentreX = 5235;
constexpr double kCentreY = 3750;
// Past this distance from the centre, heading outwards, the ball "meets a wall".
constexpr double kWallDistance = 3000;

}  // namespace

bool ScriptedPlayer::recording = false;

ScriptedPlayer::ScriptedPlayer(int index, quint16 port, PaddleLedger& ledger)
    : index_(index), ledger_(ledger), lastSeen_(ledger.reports.size(), -1) {
    client_.RegisterMessageHandler(this);
    session::ConnectScripted(client_, "bot" + std::to_string(index), "127.0.0.1", port);
    // Precise: Qt lines coarse timers up on shared boundaries, which would make every bot
    // report in the same instant, as players on separate machines never do.
    paddleTimer_.setTimerType(Qt::PreciseTimer);
    paddleTimer_.setInterval(100);
    QObject::connect(&paddleTimer_, &QTimer::timeout, [this] { SendPaddle(); });
}

void ScriptedPlayer::StartPlaying(int phaseMs) {
    QTimer::singleShot(phaseMs, Qt::PreciseTimer, &paddleTimer_, [this] {
        SendPaddle();
        paddleTimer_.start();
    });
}

void ScriptedPlayer::Close() {
    paddleTimer_.stop();
    client_.Close();
}

void ScriptedPlayer::ConnectComplete(const session::Status& result) {
    connected_ = result.Ok();
    lost_ = !result.Ok();
}

void ScriptedPlayer::Receive(session::PlayerId /*from*/, ByteView message) {
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
        case msg::Type::PaddleUpdate:
            CheckPaddle(message, now);
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

void ScriptedPlayer::AnswerBall(ByteView message) {
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

// The sequence number rides as the fraction of the last coordinate: still a number to any
// client, passed on unchanged by the server.
void ScriptedPlayer::SendPaddle() {
    if (seat_ < 0 || static_cast<std::size_t>(seat_) >= ledger_.reports.size()) {
        return;
    }
    auto& mine = ledger_.reports[static_cast<std::size_t>(seat_)];
    const msg::PaddleUpdate paddle{FormatInteger(seat_), "3000.25", "2232.07", "3708.51",
                                   "1526." + FormatInteger(static_cast<std::int64_t>(mine.size()))};
    const std::int64_t now = MonotonicNs();
    if (Send(*msg::Encode(paddle), false)) {
        mine.push_back({now, 0, 0});
    }
}

void ScriptedPlayer::CheckPaddle(ByteView message, std::int64_t now) {
    const auto paddle = msg::Decode<msg::PaddleUpdate>(message);
    const auto point = paddle ? paddle->y2.find('.') : std::string::npos;
    const auto seat = paddle ? StrictNumber(paddle->seat) : std::nullopt;
    const auto number =
        point != std::string::npos ? StrictNumber(paddle->y2.substr(point + 1)) : std::nullopt;
    if (!seat || !number || *seat < 0 || *seat >= static_cast<double>(lastSeen_.size())) {
        ++ledger_.malformed;
        return;
    }
    auto& reports = ledger_.reports[static_cast<std::size_t>(*seat)];
    long& last = lastSeen_[static_cast<std::size_t>(*seat)];
    const auto n = static_cast<long>(*number);
    if (n >= static_cast<long>(reports.size())) {
        ++ledger_.malformed;  // never sent
        return;
    }
    if (n <= last) {
        ++ledger_.repeated;
        return;
    }
    ledger_.missing += n - last - 1;
    last = n;
    auto& report = reports[static_cast<std::size_t>(n)];
    report.lastArrivalNs = std::max(report.lastArrivalNs, now);
    ++report.copies;
}

bool ScriptedPlayer::CaughtUp() const {
    for (std::size_t seat = 0; seat < lastSeen_.size(); ++seat) {
        if (lastSeen_[seat] + 1 != static_cast<long>(ledger_.reports[seat].size())) {
            return false;
        }
    }
    return true;
}

void ScriptedPlayer::CountMissing() {
    for (std::size_t seat = 0; seat < lastSeen_.size(); ++seat) {
        ledger_.missing += static_cast<long>(ledger_.reports[seat].size()) - 1 - lastSeen_[seat];
    }
}

bool ScriptedPlayer::Send(const Buffer& message, bool bounce) {
    if (!client_.Send(message).Ok()) {
        return false;
    }
    if (recording) {
        ++sent;
        bounces += bounce ? 1 : 0;
    }
    return true;
}

}  // namespace quorvex::kit
