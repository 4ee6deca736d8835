// What the handlers notice for a listener. The server's reports say nothing of who hit the
// ball: a turn of its direction that no edge, own hit, miss or new round explains can only be
// another player's paddle.

#include <unordered_map>

#include "client/state/client_state.h"
#include "client/state/client_texts.h"
#include "protocol/numeric.h"

namespace quorvex::client {
namespace {

float CentreX(const ball::Ball& ball) {
    return ball.left + ball.width / 2;
}

}  // namespace

void ClientState::Note(HappeningKind kind, float x) {
    if (recording_ && !exiting_) {
        happenings_.push_back({kind, x});
    }
}

std::vector<Happening> ClientState::TakeHappenings() {
    std::vector<Happening> taken;
    taken.swap(happenings_);
    return taken;
}

void ClientState::NoteBall(const std::vector<ball::Event>& events,
                           const std::string& reportedDirection) {
    const float x = CentreX(ball_);
    if (roundStarting_) {
        roundStarting_ = false;
        Note(HappeningKind::kRoundStart, x);
    }
    const auto reached = ball::WallsReached(ball_, {outerWidth_, kSeparatorY});
    unsigned walls = 0;
    std::size_t wallCount = 0;
    for (std::size_t i = 0; i < reached.size(); ++i) {
        if (reached[i]) {
            walls |= 1u << i;
            ++wallCount;
        }
    }
    if ((walls & ~wallsReached_) != 0) {
        Note(HappeningKind::kWallBounce, x);
    }
    wallsReached_ = walls;
    std::size_t bounces = 0;
    for (const auto& event : events) {
        bounces += event.kind == 1 ? 1 : 0;
    }
    const bool ownHit = bounces > wallCount;
    if (ownHit) {
        Note(HappeningKind::kOwnHit, x);
    }
    if (lastDirection_ && *lastDirection_ != reportedDirection && !turnExplained_) {
        Note(HappeningKind::kOtherHit, x);
    }
    lastDirection_ = reportedDirection;
    turnExplained_ = walls != 0 || ownHit;
}

void ClientState::NoteMisses(const SeatTable& before) {
    std::unordered_map<std::string, double> missesBefore;
    for (const auto& row : before) {
        missesBefore.try_emplace(row.PlayerIndex, NumericValue(row.PlayerMisses).value_or(0));
    }
    for (std::size_t seat = 0; seat < seats_.size(); ++seat) {
        const auto& row = seats_[seat];
        const auto found = missesBefore.find(row.PlayerIndex);
        if (found == missesBefore.end() ||
            NumericValue(row.PlayerMisses).value_or(0) <= found->second) {
            continue;
        }
        const bool own = static_cast<int>(seat) == PlayerID();
        const auto& side = seat < arena_.barriers.size() ? arena_.barriers[seat] : arena::Line{};
        Note(own ? HappeningKind::kOwnMiss : HappeningKind::kOtherMiss, (side.x1 + side.x2) / 2);
    }
    // The ball starts again from the middle, in a new direction.
    turnExplained_ = true;
}

}  // namespace quorvex::client
