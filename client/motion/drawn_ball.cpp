#include "client/motion/drawn_ball.h"

#include <algorithm>
#include <cmath>

namespace quorvex::motion {
namespace {

Point Lerp(const Point& a, const Point& b, double f) {
    return {a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f};
}

bool Finite(const Point& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

}  // namespace

void DrawnBall::StartRun(Point at, double nowMs) {
    kept_[0] = {at, 0};
    count_ = 1;
    arrivals_[0] = nowMs;
    // Drawn at once from here, the delay the last run needed growing back as the ball runs.
    rampStartMs_ = nowMs;
    rampFrom_ = nowMs + floorMs_;
    rampTo_ = rampFrom_ + carriedSpreadMs_ + kMarginMs;
    ease_ = {};
}

void DrawnBall::Report(Point at, std::optional<Point> next, double nowMs) {
    if (!Finite(at)) {
        return;
    }
    if (next && !Finite(*next)) {
        next.reset();
    }
    const Point drawn = At(nowMs);
    const Point expected = next_ ? *next_ : (reported_ ? Last().at : at);
    const bool continues = reported_ && nowMs - lastArrivalMs_ <= kGapMs &&
                           std::hypot(at.x - expected.x, at.y - expected.y) <= kJoinTwips;
    if (!continues) {
        if (reported_ && count_ > 1) {
            carriedSpreadMs_ = std::max(0.0, DelayMs(nowMs) - floorMs_ - kMarginMs);
        }
        StartRun(at, nowMs);
    } else {
        const double pathMs = Last().pathMs + kReportIntervalMs;
        kept_[static_cast<std::size_t>(count_ % kKept)] = {at, pathMs};
        arrivals_[static_cast<std::size_t>(count_ % kWindow)] = nowMs - pathMs;
        ++count_;
        const int n = std::min(count_, kWindow);
        const auto first = arrivals_.begin();
        const double fastest = *std::min_element(first, first + n);
        double spread = *std::max_element(first, first + n) - fastest;
        if (count_ < kWindow) {
            spread = std::max(spread, carriedSpreadMs_);
        }
        const double current = Offset(nowMs);
        rampStartMs_ = nowMs;
        rampFrom_ = current;
        rampTo_ = fastest + spread + kMarginMs + floorMs_;
    }
    next_ = next;
    lastArrivalMs_ = nowMs;
    const bool wasReported = reported_;
    reported_ = true;
    // Where the path now puts the ball may differ from where it was drawn a moment ago: the
    // difference fades out instead of being jumped.
    ease_ = {};
    easeStartMs_ = nowMs;
    if (wasReported && continues) {
        const Point now = At(nowMs);
        ease_ = {drawn.x - now.x, drawn.y - now.y};
    }
}

double DrawnBall::Offset(double nowMs) const {
    const double most = kSlew * std::max(0.0, nowMs - rampStartMs_);
    return rampFrom_ + std::clamp(rampTo_ - rampFrom_, -most, most);
}

double DrawnBall::DelayMs(double nowMs) const {
    if (!reported_) {
        return 0;
    }
    const int n = std::min(count_, kWindow);
    const double fastest = *std::min_element(arrivals_.begin(), arrivals_.begin() + n);
    return Offset(nowMs) - fastest;
}

Point DrawnBall::OnPath(double pathMs) const {
    const int oldest = std::max(0, count_ - kKept);
    if (pathMs <= Kept(oldest).pathMs) {
        return Kept(oldest).at;
    }
    for (int i = oldest + 1; i < count_; ++i) {
        const Reported& to = Kept(i);
        if (pathMs < to.pathMs) {
            const Reported& from = Kept(i - 1);
            return Lerp(from.at, to.at, (pathMs - from.pathMs) / kReportIntervalMs);
        }
    }
    const Reported& last = Last();
    if (!next_) {
        return last.at;
    }
    return Lerp(last.at, *next_, std::min(1.0, (pathMs - last.pathMs) / kReportIntervalMs));
}

Point DrawnBall::At(double nowMs) const {
    if (!reported_) {
        return {1320, 120};  // where the ball shape sits before any report
    }
    const Point onPath = OnPath(nowMs - Offset(nowMs));
    const double fading = 1 - std::clamp((nowMs - easeStartMs_) / kEaseMs, 0.0, 1.0);
    return {onPath.x + ease_.x * fading, onPath.y + ease_.y * fading};
}

bool DrawnBall::Moving(double nowMs) const {
    if (!reported_) {
        return false;
    }
    const bool easing = (ease_.x != 0 || ease_.y != 0) && nowMs - easeStartMs_ < kEaseMs;
    const double end = Last().pathMs + (next_ ? kReportIntervalMs : 0);
    return easing || nowMs - Offset(nowMs) < end;
}

}  // namespace quorvex::motion
