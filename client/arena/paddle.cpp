#include <cmath>
#include <optional>

#include "client/arena/arena.h"
#include "client/arena/single_precision.h"

namespace quorvex::arena {
namespace {

struct PaddleEnds {
    float x1, y1, x2, y2;
};

// The paddle's start on the own side's line, as stored (single precision).
struct Start {
    float x, y;
};

std::optional<Start> ProjectByX(const LineEquation& line, float x) {
    const auto y = ToSingle(x * line.slope + line.intercept);
    if (!y) {
        return std::nullopt;
    }
    return Start{x, *y};
}

std::optional<Start> ProjectByY(const LineEquation& line, float y) {
    const auto x = ToSingle((y - line.intercept) / line.slope);
    if (!x) {
        return std::nullopt;
    }
    return Start{*x, y};
}

std::optional<PaddleEnds> LayPaddle(const LineEquation& line, Start start) {
    if (line.vertical) {
        // A vertical side only meets the pointer's height. Running upwards keeps the paddle's
        // Y2 below its Y1, which is what ball tracking's paddle test on such a side expects.
        const auto top = ToSingle(start.y - kPaddleLength);
        if (!top) {
            return std::nullopt;
        }
        return PaddleEnds{start.x, start.y, start.x, *top};
    }
    const double a = std::atan(line.slope);
    const auto x2 = ToSingle(start.x + kPaddleLength * std::cos(a));
    const auto y2 = ToSingle(start.y + kPaddleLength * std::sin(a));
    if (!x2 || !y2) {
        return std::nullopt;
    }
    return PaddleEnds{start.x, start.y, *x2, *y2};
}

}  // namespace

bool MovePaddle(Arena& arena, int ownSeat, float x, float y) {
    if (!arena.ready || !SeatHasSide(arena, ownSeat) || !SeatHasPaddle(arena, ownSeat) ||
        !std::isfinite(x) || !std::isfinite(y)) {
        return false;
    }
    const auto seat = static_cast<std::size_t>(ownSeat);
    const LineEquation& line = arena.equations[seat];

    std::optional<Start> start;
    if (line.vertical) {
        if (const auto sideX = ToSingle(line.x)) {
            start = Start{*sideX, y};
        }
    } else {
        // A level side has no x for a height; only the pointer's x finds its point on it.
        const int quadrant = SideQuadrantByStart(arena.barriers[seat]);
        const bool byX = quadrant == 1 || quadrant == 3 || line.slope == 0;
        start = byX ? ProjectByX(line, x) : ProjectByY(line, y);
    }
    if (!start) {
        return false;
    }
    const auto ends = LayPaddle(line, *start);
    if (!ends) {
        return false;
    }
    Line& paddle = arena.players[seat];
    paddle.x1 = ends->x1;
    paddle.y1 = ends->y1;
    paddle.x2 = ends->x2;
    paddle.y2 = ends->y2;
    return true;
}

}  // namespace quorvex::arena
