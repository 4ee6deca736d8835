#include "client/ball/ball_status.h"

#include <cmath>
#include <cstddef>
#include <optional>

#include "client/arena/single_precision.h"
#include "protocol/numeric.h"

namespace quorvex::ball {
namespace {

constexpr std::uint8_t kBounce = 1;
constexpr std::uint8_t kMiss = 2;

struct Point {
    double x, y;
};

// The direction text holds at most 15 significant digits, and then only the whole part of what
// it says. Rewrites the text, records the bounce and gives the direction now held; empty (and
// nothing changed) for a value that has no finite text.
std::optional<double> Turn(Ball& ball, double newDirection, std::vector<Event>& events) {
    if (!std::isfinite(newDirection)) {
        return std::nullopt;
    }
    const auto written = StrictNumber(FormatDouble(newDirection));
    if (!written) {
        return std::nullopt;
    }
    const double whole = std::floor(*written);
    ball.direction = FormatDouble(whole);
    events.push_back(Event{kBounce, ball.direction});
    return whole;
}

// Corner sums are single precision; the own-side test takes them through their 7-digit text.
std::optional<double> CornerCoordinate(float value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    return StrictNumber(FormatSingle(value));
}

std::optional<Point> Corner(float x, float y) {
    const auto cx = CornerCoordinate(x);
    const auto cy = CornerCoordinate(y);
    if (!cx || !cy) {
        return std::nullopt;
    }
    return Point{*cx, *cy};
}

struct Corners {
    Point leading;   // nearest the own side
    Point trailing;  // diagonally opposite
};

std::optional<Corners> BallCorners(const Ball& ball, int quadrant) {
    const float left = ball.left;
    const float top = ball.top;
    const float right = ball.left + ball.width;
    const float bottom = ball.top + ball.height;
    std::optional<Point> leading;
    std::optional<Point> trailing;
    switch (quadrant) {
        case 1:
            leading = Corner(right, top);
            trailing = Corner(left, bottom);
            break;
        case 2:
            leading = Corner(right, bottom);
            trailing = Corner(left, top);
            break;
        case 3:
            leading = Corner(left, bottom);
            trailing = Corner(right, top);
            break;
        default:
            leading = Corner(left, top);
            trailing = Corner(right, bottom);
            break;
    }
    if (!leading || !trailing) {
        return std::nullopt;
    }
    return Corners{*leading, *trailing};
}

// Whether the own paddle covers the ball's centre along the one axis the side runs along most.
// Strict at both ends. A vertical side is tested along y and a level one along x, the only ways
// their paddles extend.
bool PaddleCovers(const Ball& ball, const arena::Line& paddle, int quadrant,
                  const arena::LineEquation& side) {
    const bool level = !side.vertical && side.slope == 0;
    if (((quadrant == 1 || quadrant == 3) && !side.vertical) || level) {
        const auto centre = arena::ToSingle(ball.left + static_cast<double>(ball.width) / 2);
        return centre && paddle.x1 < *centre && *centre < paddle.x2;
    }
    const auto centre = arena::ToSingle(ball.top + static_cast<double>(ball.height) / 2);
    return centre && paddle.y2 < *centre && *centre < paddle.y1;
}

bool IsFinite(const Ball& ball) {
    return std::isfinite(ball.left) && std::isfinite(ball.top) && std::isfinite(ball.width) &&
           std::isfinite(ball.height);
}

// The four rectangle checks, each on the direction the previous one left. False when the
// judgement has to end here.
bool BounceOffWalls(Ball& ball, const Bounds& bounds, double& direction,
                    std::vector<Event>& events) {
    const auto reached = WallsReached(ball, bounds);
    for (std::size_t i = 0; i < reached.size(); ++i) {
        if (!reached[i]) {
            continue;
        }
        const auto turned = Turn(ball, WallBounce(direction, kWallsInOrder[i]), events);
        if (!turned) {
            return false;
        }
        direction = *turned;
    }
    return true;
}

void JudgeOwnSide(Ball& ball, const arena::Arena& arena, int seat, double direction,
                  std::vector<Event>& events) {
    const auto index = static_cast<std::size_t>(seat);
    const arena::LineEquation& side = arena.equations[index];
    const int quadrant = arena::SideQuadrantByMidpoint(arena.barriers[index]);
    const double mirror = MirrorAngle(side, quadrant);
    const auto corners = BallCorners(ball, quadrant);
    if (!corners) {
        return;
    }
    if (arena::WithInPerimeter(arena, seat, corners->leading.x, corners->leading.y)) {
        return;
    }
    const bool straddles =
        arena::WithInPerimeter(arena, seat, corners->trailing.x, corners->trailing.y);
    if (straddles && PaddleCovers(ball, arena.players[index], quadrant, side)) {
        const double turned = direction + (180 - (direction - mirror)) * 2;
        if (std::isfinite(turned)) {
            Turn(ball, NormalizeHitDirection(turned), events);
        }
        return;
    }
    events.push_back(Event{kMiss, FormatInteger(seat)});
}

}  // namespace

std::array<bool, 4> WallsReached(const Ball& ball, const Bounds& bounds) {
    // The ball is a circle: its height is its diameter across as well.
    const double rightEdge = ball.left + ball.height;
    const bool beyondLeft = ball.left < 0;
    const bool beyondRight = rightEdge > bounds.outerWidth;
    const bool beyondTop = ball.top < 0;
    const bool belowBottom = ball.top > bounds.bottomLineY;
    return {beyondLeft, beyondRight, beyondTop, belowBottom};
}

std::vector<Event> BallSatus(Ball& ball, const arena::Arena& arena, int ownSeat,
                             const Bounds& bounds) {
    std::vector<Event> events;
    if (!arena::SeatHasSide(arena, ownSeat) || !arena::SeatHasPaddle(arena, ownSeat) ||
        !IsFinite(ball)) {
        return events;
    }
    auto direction = StrictNumber(ball.direction);
    if (!direction) {
        return events;
    }
    if (BounceOffWalls(ball, bounds, *direction, events)) {
        JudgeOwnSide(ball, arena, ownSeat, *direction, events);
    }
    return events;
}

}  // namespace quorvex::ball
