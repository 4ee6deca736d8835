#include "client/bot/ball_path.h"

#include <cmath>

#include "protocol/numeric.h"

namespace quorvex::client::bot {
namespace {

// The corner nearest a side in `quadrant`, as ball tracking takes it.
void LeadingCorner(const ball::Ball& b, int quadrant, double& x, double& y) {
    const bool right = quadrant == 1 || quadrant == 2;
    const bool bottom = quadrant == 2 || quadrant == 3;
    x = b.left + (right ? b.width : 0.0);
    y = b.top + (bottom ? b.height : 0.0);
}

// The window-edge bounces every seated client reports, in their order, floored as sent.
double BounceOffWalls(const ball::Ball& b, const ball::Bounds& bounds, double direction) {
    const auto reached = ball::WallsReached(b, bounds);
    for (std::size_t i = 0; i < reached.size(); ++i) {
        if (reached[i]) {
            direction = std::floor(ball::WallBounce(direction, ball::kWallsInOrder[i]));
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
        const ball::Offset moved = ball::StepAlong(direction);
        b.left = static_cast<float>(std::floor(b.left + moved.x));
        b.top = static_cast<float>(std::floor(b.top + moved.y));
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
                found = Crossing{seat, b.left + b.width / 2.0, b.top + b.height / 2.0};
            }
        }
        if (found) {
            return found;
        }
    }
    return std::nullopt;
}

}  // namespace quorvex::client::bot
