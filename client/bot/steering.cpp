#include "client/bot/steering.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "client/bot/ball_path.h"

namespace quorvex::client::bot {
namespace {

// Far enough ahead for a ball to cross the whole arena; further would be guesswork anyway.
constexpr int kLookAheadSteps = 60;
// Kept between the paddle's ends and the side's, so that single-precision rounding of the
// laid paddle never puts an end past the side.
constexpr double kEndMargin = 2;
constexpr double kHalfPaddle = arena::kPaddleLength / 2;

}  // namespace

SkillProfile ProfileFor(int skill) {
    static constexpr SkillProfile kProfiles[] = {
        {1200, 700, 500},  // 1
        {2000, 500, 320},  // 2
        {3000, 350, 200},  // 3
        {4500, 220, 110},  // 4
        {7000, 120, 50},   // 5
    };
    static_assert(std::size(kProfiles) == kHighestBotSkill - kLowestBotSkill + 1);
    const int clamped = std::clamp(skill, kLowestBotSkill, kHighestBotSkill);
    return kProfiles[clamped - kLowestBotSkill];
}

Steering::Steering(int skill, std::uint32_t seed)
    : profile_(ProfileFor(skill)), random_(seed), error_(0.0, profile_.aimError) {}

bool Steering::FollowSide(const arena::Arena& arena, int ownSeat) {
    if (!arena::SeatHasSide(arena, ownSeat) || !arena::SeatHasPaddle(arena, ownSeat)) {
        track_.seat = -1;
        return false;
    }
    const auto& side = arena.barriers[static_cast<std::size_t>(ownSeat)];
    if (track_.seat == ownSeat && track_.x1 == side.x1 && track_.y1 == side.y1 &&
        track_.x2 == side.x2 && track_.y2 == side.y2) {
        return true;
    }
    // A new side (a new seat list): what was seen of the old arena means nothing here.
    const auto& line = arena.equations[static_cast<std::size_t>(ownSeat)];
    Track track;
    track.seat = ownSeat;
    track.x1 = side.x1;
    track.y1 = side.y1;
    track.x2 = side.x2;
    track.y2 = side.y2;
    track.ox = side.x1;
    track.oy = side.y1;
    if (line.vertical) {
        track.ux = 0;
        track.uy = -1;  // the paddle runs upwards on a vertical side
    } else {
        const double a = std::atan(line.slope);
        track.ux = std::cos(a);
        track.uy = std::sin(a);
    }
    const double far = (side.x2 - track.ox) * track.ux + (side.y2 - track.oy) * track.uy;
    track.low = std::min(0.0, far) + kHalfPaddle + kEndMargin;
    track.high = std::max(0.0, far) - kHalfPaddle - kEndMargin;
    if (track.low > track.high) {  // a side shorter than the paddle: its middle is all we have
        track.low = track.high = far / 2;
    }
    track_ = track;
    seen_.clear();
    aim_.reset();
    hand_ = (track_.low + track_.high) / 2;
    return true;
}

double Steering::AimFor(const arena::Arena& arena, double x, double y) const {
    const auto seat = static_cast<std::size_t>(track_.seat);
    const auto& line = arena.equations[seat];
    const int quadrant = arena::SideQuadrantByMidpoint(arena.barriers[seat]);
    // Ball tracking tests the paddle along one axis only; meet the ball on that axis.
    double px = x;
    double py = y;
    if (line.vertical) {
        px = line.x;
    } else if (quadrant == 1 || quadrant == 3 || line.slope == 0) {
        py = line.slope * x + line.intercept;
    } else {
        px = (y - line.intercept) / line.slope;
    }
    return (px - track_.ox) * track_.ux + (py - track_.oy) * track_.uy;
}

double Steering::Clamp(double position) const {
    return std::clamp(position, track_.low, track_.high);
}

void Steering::See(std::int64_t nowMs, const ball::Ball& ball, const arena::Arena& arena,
                   int ownSeat, int seatCount, const ball::Bounds& bounds) {
    if (!FollowSide(arena, ownSeat)) {
        return;
    }
    // A new heading is judged afresh, and misjudged afresh.
    if (ball.direction != lastDirection_) {
        lastDirection_ = ball.direction;
        misjudged_ = error_(random_);
    }
    Sighting sighting{nowMs, std::nullopt};
    const auto crossing = PredictCrossing(ball, arena, seatCount, bounds, ownSeat, kLookAheadSteps);
    if (crossing && crossing->seat == ownSeat) {
        const double aim = AimFor(arena, crossing->x, crossing->y) + misjudged_;
        if (std::isfinite(aim)) {
            sighting.aim = Clamp(aim);
        }
    }
    seen_.push_back(sighting);
}

std::optional<Pointer> Steering::Move(std::int64_t nowMs, const arena::Arena& arena, int ownSeat) {
    if (!FollowSide(arena, ownSeat)) {
        lastMoveMs_.reset();
        return std::nullopt;
    }
    while (!seen_.empty() && seen_.front().atMs + profile_.reactionMs <= nowMs) {
        aim_ = seen_.front().aim;
        seen_.pop_front();
    }
    const double goal = aim_ ? *aim_ : (track_.low + track_.high) / 2;
    const std::int64_t elapsed = lastMoveMs_ ? std::max<std::int64_t>(0, nowMs - *lastMoveMs_) : 0;
    lastMoveMs_ = nowMs;
    const double reach = profile_.speed * static_cast<double>(elapsed) / 1000.0;
    hand_ = Clamp(hand_ + std::clamp(goal - hand_, -reach, reach));
    // The pointer sits at the paddle's start, half a paddle before its middle.
    const double start = hand_ - kHalfPaddle;
    return Pointer{static_cast<float>(track_.ox + start * track_.ux),
                   static_cast<float>(track_.oy + start * track_.uy)};
}

}  // namespace quorvex::client::bot
