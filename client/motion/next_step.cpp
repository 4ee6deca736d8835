#include "client/motion/next_step.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "protocol/numeric.h"

namespace quorvex::motion {

std::optional<Point> NextStep(const ball::Ball& reported, const arena::Arena& arena,
                              std::size_t seats, const ball::Bounds& bounds) {
    if (!StrictNumber(reported.direction)) {
        return std::nullopt;
    }
    const auto walls = ball::WallsReached(reported, bounds);
    const auto wallEvents = static_cast<std::size_t>(std::count(walls.begin(), walls.end(), true));
    // Every seat judges the walls alike; a seat whose judgement adds a side event is the one
    // whose side the ball crosses, and its bounce is the server's next direction.
    std::string direction = reported.direction;
    for (std::size_t seat = 0; seat < seats && seat < arena.players.size(); ++seat) {
        ball::Ball judged = reported;
        const auto events = ball::BallSatus(judged, arena, static_cast<int>(seat), bounds);
        if (events.size() > wallEvents) {
            // A miss puts the ball back to the start. A side met together with a wall is
            // reported by its seat along with the wall, and by everyone else with the wall alone:
            // whichever report reaches the server last turns the ball, which nobody can foresee.
            if (events.back().kind != 1 || wallEvents > 0) {
                return std::nullopt;
            }
            direction = judged.direction;
            break;
        }
        if (seat == 0) {
            direction = judged.direction;  // the walls alone
        }
    }
    const auto degrees = StrictNumber(direction);
    if (!degrees) {
        return std::nullopt;
    }
    // As the server steps: along the direction with 3.14 for pi, each coordinate rounded down.
    const ball::Offset step = ball::StepAlong(*degrees);
    return Point{std::floor(reported.left + step.x), std::floor(reported.top + step.y)};
}

}  // namespace quorvex::motion
