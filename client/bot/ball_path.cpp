#include "client/bot/ball_path.h"

#include <cmath>

#include "protocol/numeric.h"

namespace quorvex::client::bot {
namespace {

constexpr double kStepLength = 255;
constexpr double kDegreesToRadians = arena::kPi / 180;

// The corner nearest a side in `quadrant`, as ball tracking takes it.
void LeadingCorner(const ball::Ball& b, int quadrant, double& x, double& y) {
    const bool right = quadrant == 1 || quadrant == 2;
    const bool bottom = quadrant == 2 || quadrant == 3;
    x = b.left + (right ? b.width : 0.0);
    y = b.top + (bottom ? b.height : 0.0);
}

// The window-edge bounces every seated client reports, in their order, floored as sent.
double BounceOffWalls(const ball::Ball& b, const ball::Bounds& bounds, double direction) {
    const bool fired[] = {b.left<0, b.left + b.height> bounds.outerWidth,
                          b.top<0, b.top> bounds.bottomLineY};
    const ball::Wall walls[] = {ball::Wall::kLeft, ball::Wall::kRight, ball::Wall::kTop,
                                ball::Wall::kBottom};
    for (int i = 0; i < 4; ++i) {
        if (fired[i]) {
            direction = std::floor(ball::WallBounce(direction, walls[i]));
        }
    }
    return direction;
}

}  // namespace

std::optional<Crossing> PredictCrossing(const ball::Ball& ball, const arena::Arena& arena,
                                        int seatCount, const ball::Bounds& bounds,
                                        int preferredSeat, int maxSteps) {
    const auto start = StrictNumber(ball.direction);
    if (!start || !std::isfinite(ball.left) || !std::isfinite(ball.top)) {
        return std::nullopt;
    }
    double direction = *start;
    ball::Ball b = ball;
    for (int step = 1; step <= maxSteps; ++step) {
        // The server's step: whole units, rounded down.
        const double a = direction * kDegreesToRadians;
        b.left = static_cast<float>(std::floor(b.left + std::sin(a) * kStepLength));
        b.top = static_cast<float>(std::floor(b.top - std::cos(a) * kStepLength));
        direction = BounceOffWalls(b, bounds, direction);
        std::optional<Crossing> found;
        for (int seat = 0; seat < seatCount; ++seat) {
            if (!arena::SeatHasSide(arena, seat)) {
                break;
            }
            double x = 0;
            double y = 0;
            LeadingCorner(b, arena::SideQuadrantByMidpoint(arena.barriers[seat]), x, y);
            if (arena::WithInPerimeter(arena, seat, x, y)) {
                continue;
            }
            if (!found || seat == preferredSeat) {
                found = Crossing{seat, b.left + b.width / 2.0, b.top + b.height / 2.0, step};
            }
        }
        if (found) {
            return found;
        }
    }
    return std::nullopt;
}

}  // namespace quorvex::client::bot
