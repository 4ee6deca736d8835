#include "client/motion/key_steering.h"

#include <algorithm>
#include <cmath>

namespace quorvex::motion {
namespace {

// Twips covered `ms` after the key went down.
double Travelled(double ms) {
    const double t = std::max(0.0, ms) / 1000;
    const double rampEnd = (kKeyTopSpeed - kKeyStartSpeed) / kKeyAcceleration;
    if (t <= rampEnd) {
        return kKeyStartSpeed * t + kKeyAcceleration * t * t / 2;
    }
    return Travelled(rampEnd * 1000) + kKeyTopSpeed * (t - rampEnd);
}

}  // namespace

void KeySteering::Begin(int way, double nowMs) {
    way_ = way;
    pressMs_ = nowMs;
    lastMs_ = nowMs;
}

void KeySteering::Press(Way way, double nowMs) {
    bool& down = way == kLeft ? leftDown_ : rightDown_;
    if (down) {
        return;
    }
    down = true;
    Begin(way, nowMs);
}

void KeySteering::Release(Way way, double nowMs) {
    (way == kLeft ? leftDown_ : rightDown_) = false;
    if (way_ != way) {
        return;
    }
    if (leftDown_ || rightDown_) {
        Begin(leftDown_ ? kLeft : kRight, nowMs);
    } else {
        way_ = 0;
    }
}

void KeySteering::ReleaseAll() {
    leftDown_ = rightDown_ = false;
    way_ = 0;
}

double KeySteering::Advance(double nowMs) {
    if (way_ == 0 || nowMs <= lastMs_) {
        return 0;
    }
    const double twips = Travelled(nowMs - pressMs_) - Travelled(lastMs_ - pressMs_);
    lastMs_ = nowMs;
    return way_ * twips;
}

std::optional<std::pair<float, float>> AlongOwnSide(const arena::Arena& arena, int ownSeat,
                                                    double twips) {
    if (!arena::SeatHasSide(arena, ownSeat) || !arena::SeatHasPaddle(arena, ownSeat)) {
        return std::nullopt;
    }
    const auto& side = arena.barriers[static_cast<std::size_t>(ownSeat)];
    const auto& paddle = arena.players[static_cast<std::size_t>(ownSeat)];
    // The side's end with the smaller x, and the unit vector along it that the paddle extends
    // by: towards larger x, upwards on a vertical side.
    const bool forward = side.x1 < side.x2 || (side.x1 == side.x2 && side.y1 > side.y2);
    const double ax = forward ? side.x1 : side.x2;
    const double ay = forward ? side.y1 : side.y2;
    const double dx = (forward ? side.x2 : side.x1) - ax;
    const double dy = (forward ? side.y2 : side.y1) - ay;
    const double length = std::hypot(dx, dy);
    if (!(length > 0) || !std::isfinite(length) || !std::isfinite(twips)) {
        return std::nullopt;
    }
    const double ux = dx / length;
    const double uy = dy / length;
    // Rightwards along the screen, or downwards where the side runs more up than across.
    const bool steep = std::abs(uy) > std::abs(ux);
    const double sign = steep ? (uy > 0 ? 1 : -1) : 1;
    const double start = (paddle.x1 - ax) * ux + (paddle.y1 - ay) * uy;
    const double along = std::isfinite(start) ? start : 0;
    // A paddle longer than its side (many seats) slides as far as it still covers the side.
    const double slack = length - arena::kPaddleLength;
    const double t = std::clamp(along + sign * twips, std::min(0.0, slack), std::max(0.0, slack));
    return std::pair{static_cast<float>(ax + ux * t), static_cast<float>(ay + uy * t)};
}

}  // namespace quorvex::motion
