#include "bench/bots/virtual_game.h"

#include <algorithm>
#include <random>

#include "kit/figures.h"
#include "protocol/messages.h"
#include "protocol/numeric.h"

namespace quorvex::bench {

using kit::MonotonicNs;

// The server's outbox: every message to every player.
class VirtualGame::ToAll : public Outbox {
  public:
    explicit ToAll(VirtualGame& game) : game_(game) {}
    bool Send(const Buffer& message) override {
        game_.ToPlayers(message);
        return true;
    }

  private:
    VirtualGame& game_;
};

// A player's outbox (and the person's, whose sends go nowhere). While the player judges a
// BallUpdate it counts the bounces and misses the player reports: its own side's share is
// what tells a save.
class VirtualGame::ToServer : public Outbox {
  public:
    explicit ToServer(std::deque<Delivery>* queue, SeatFigures* seat = nullptr)
        : queue_(queue), seat_(seat) {}
    bool Send(const Buffer& message) override {
        if (judging && message[0] == static_cast<std::uint8_t>(msg::Type::BallEvent)) {
            if (const auto event = msg::Decode<msg::BallEvent>(message)) {
                event->kind == msg::kBallBounce ? ++bounces : ++seat_->missed;
            }
        }
        if (queue_) {
            queue_->push_back({-1, message});
        }
        return true;
    }
    bool judging = false;
    int bounces = 0;

  private:
    std::deque<Delivery>* queue_;
    SeatFigures* seat_;
};

namespace {

// How many of the window-edge checks fire for the ball where it now is; every bounce the
// player reported beyond these was off its own side.
int WallBounces(const ball::Ball& b, const ball::Bounds& bounds) {
    return static_cast<int>(std::ranges::count(ball::WallsReached(b, bounds), true));
}

}  // namespace

VirtualGame::VirtualGame(const std::vector<int>& skills, int limit, std::uint32_t seed)
    : toAll_(std::make_unique<ToAll>(*this)), discard_(std::make_unique<ToServer>(nullptr)) {
    auto random = std::make_shared<std::mt19937>(seed);
    game_ = std::make_unique<server::ServerGame>(
        *toAll_, [random] { return std::uniform_real_distribution<double>(0.0, 1.0)(*random); });
    person_ = std::make_unique<client::ClientState>(*discard_);
    seats_.reserve(skills.size());
    for (std::size_t i = 0; i < skills.size(); ++i) {
        seats_.push_back({skills[i], 0, 0, 0});
        toServer_.push_back(std::make_unique<ToServer>(&queue_, &seats_.back()));
        players_.push_back(std::make_unique<client::bot::ComputerPlayer>(
            *toServer_.back(), "CPU " + std::to_string(i + 1), skills[i],
            seed * 7919u + static_cast<std::uint32_t>(i)));
        game_->AddPlayer("CPU " + std::to_string(i + 1), static_cast<std::int32_t>(i + 1));
        Drain();
    }
    game_->SetLimitText(std::to_string(limit));
    game_->PickGameType(server::GameType::Points);
    started_ = true;
    Drain();
}

VirtualGame::~VirtualGame() = default;

void VirtualGame::ToPlayers(const Buffer& bytes) {
    for (std::size_t i = 0; i < players_.size(); ++i) {
        queue_.push_back({static_cast<int>(i), bytes});
    }
    if (started_ && !bytes.empty() &&
        bytes[0] == static_cast<std::uint8_t>(msg::Type::GameSettings)) {
        RoundEnded();
    }
}

// Points gives every seat limit - misses as wins: the seat left with none reached the limit.
void VirtualGame::RoundEnded() {
    ++rounds_;
    const auto& rows = game_->Seats();
    for (std::size_t i = 0; i < rows.size() && i < seats_.size(); ++i) {
        if (NumericValue(rows[i].playerWins).value_or(-1) == 0) {
            ++seats_[i].roundsLost;
        }
    }
}

void VirtualGame::Drain() {
    while (!queue_.empty()) {
        const Delivery d = std::move(queue_.front());
        queue_.pop_front();
        if (d.to < 0) {
            game_->OnReceive(d.bytes);
            continue;
        }
        const auto index = static_cast<std::size_t>(d.to);
        if (index == 0) {
            ++messages_;
            std::int64_t t0 = MonotonicNs();
            Deliver(0, d.bytes);
            std::int64_t t1 = MonotonicNs();
            person_->HandleMessage(d.bytes);
            if (d.bytes[0] == static_cast<std::uint8_t>(msg::Type::BallUpdate)) {
                person_->Form_MouseMove(5235,
                                        3750);  // a pointer event, as a hand on the mouse makes
            }
            const std::int64_t t2 = MonotonicNs();
            playerNs_ += t1 - t0;
            personNs_ += t2 - t1;
        } else {
            Deliver(index, d.bytes);
        }
    }
}

void VirtualGame::Deliver(std::size_t to, const Buffer& bytes) {
    auto& player = *players_[to];
    auto& out = *toServer_[to];
    out.judging = bytes[0] == static_cast<std::uint8_t>(msg::Type::BallUpdate);
    out.bounces = 0;
    player.OnMessage(bytes, now_);
    const ball::Bounds bounds{player.State().OuterWidth(), client::kSeparatorY};
    if (out.judging && out.bounces > WallBounces(player.State().Ball(), bounds)) {
        ++seats_[to].saved;
    }
    out.judging = false;
}

void VirtualGame::Run(std::int64_t ms) {
    constexpr std::int64_t kGrain = 10;
    const std::int64_t end = now_ + ms;
    while (now_ < end) {
        now_ += kGrain;
        if (now_ % 1000 == 0) {
            ballRunning_ = game_->BallGate();
        }
        if (ballRunning_ && now_ % 100 == 50) {
            game_->BallStep();
            Drain();
        }
        for (std::size_t i = 0; i < players_.size(); ++i) {
            // Each player's report tick has its own phase, as separate programs would.
            if ((now_ + static_cast<std::int64_t>(i) * 20) % 100 == 0) {
                if (i == 0) {
                    const std::int64_t t0 = MonotonicNs();
                    players_[0]->OnTimer2(now_);
                    const std::int64_t t1 = MonotonicNs();
                    person_->Timer2_Timer();
                    const std::int64_t t2 = MonotonicNs();
                    playerNs_ += t1 - t0;
                    personNs_ += t2 - t1;
                } else {
                    players_[i]->OnTimer2(now_);
                }
            }
            players_[i]->PressReadyIfDue(now_);
        }
        Drain();
    }
}

double VirtualGame::PlayerNsPerMessage() const {
    return messages_ ? static_cast<double>(playerNs_) / static_cast<double>(messages_) : 0;
}

double VirtualGame::PersonNsPerMessage() const {
    return messages_ ? static_cast<double>(personNs_) / static_cast<double>(messages_) : 0;
}

}  // namespace quorvex::bench
