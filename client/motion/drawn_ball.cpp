#include "client/motion/drawn_ball.h"

#include <algorithm>
#include <cmath>

#include "protocol/numeric.h"

namespace quorvex::motion {
void DrawnBall::Report(const ball::Ball& ball, double nowMs) {
    const Point drawn = At(nowMs);
    const Point reported{ball.left, ball.top};
    if (!std::isfinite(reported.x) || !std::isfinite(reported.y)) {
        return;
    }
    const double gapX = drawn.x - reported.x;
    const double gapY = drawn.y - reported.y;
    const bool close = reported_ && std::hypot(gapX, gapY) <= kEaseTwips;
    ease_ = close ? Point{gapX, gapY} : Point{};
    at_ = reported;
    step_ = {};
    if (const auto degrees = StrictNumber(ball.direction); degrees && std::isfinite(*degrees)) {
        const ball::Offset step = ball::StepAlong(*degrees);
        step_ = {step.x, step.y};
    }
    reportMs_ = nowMs;
    reported_ = true;
}

double DrawnBall::Progress(double nowMs) const {
    return std::clamp((nowMs - reportMs_) / kReportIntervalMs, 0.0, 1.0);
}

Point DrawnBall::At(double nowMs) const {
    if (!reported_) {
        return at_;
    }
    const double f = Progress(nowMs);
    return {at_.x + step_.x * f + ease_.x * (1 - f), at_.y + step_.y * f + ease_.y * (1 - f)};
}

bool DrawnBall::Moving(double nowMs) const {
    const bool still = step_.x == 0 && step_.y == 0 && ease_.x == 0 && ease_.y == 0;
    return reported_ && !still && Progress(nowMs) < 1;
}

}  // namespace quorvex::motion
