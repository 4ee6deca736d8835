#pragma once

// Where the ball is going: the server's steps replayed ahead, bounced off the window's edges
// as every seated client reports them, until the first played side would judge it. Plain C++
// over the client's own arena and ball rules.

#include <optional>

#include "client/arena/arena.h"
#include "client/ball/ball_status.h"

namespace quorvex::client::bot {

struct Crossing {
    int seat = -1;  // the side that judges the ball first
    double x = 0;   // the ball's centre when it is judged
    double y = 0;
};

// The first side among seats 0 .. seatCount-1 whose leading corner test the ball fails, within
// `maxSteps` steps from `ball` (a position the clients have already judged). When several fail
// on the same step, `preferredSeat` wins if it is one of them. Nothing when no side is reached
// in time or the ball's numbers are not finite.
std::optional<Crossing> PredictCrossing(const ball::Ball& ball, const arena::Arena& arena,
                                        int seatCount, const ball::Bounds& bounds,
                                        int preferredSeat, int maxSteps);

}  // namespace quorvex::client::bot
