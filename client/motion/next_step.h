#pragma once

// Where the server will step the ball next, as far as this client can tell from a BallUpdate.
// The server steps it along the last direction a client reported, and every seated client
// judges the same report by the same rules: the walls turn it for everyone, and the seat whose
// side it crosses hits it back or misses it, with that seat's paddle where it was last
// reported. So any client can judge each seat's part itself and follow the ball round a bounce
// on another player's side, instead of running on through that side until the next report.

#include <cstddef>
#include <optional>

#include "client/arena/arena.h"
#include "client/ball/ball_status.h"
#include "client/motion/drawn_ball.h"

namespace quorvex::motion {

// `reported` is the ball as the BallUpdate put it, its direction not yet turned by any
// judgement; `seats` the number of seated players. Nothing when a seat will count a miss (the
// server puts the ball back to the start), when a side and a wall are met at once (the last of
// the seats' differing reports to arrive decides), or when the direction is no number.
std::optional<Point> NextStep(const ball::Ball& reported, const arena::Arena& arena,
                              std::size_t seats, const ball::Bounds& bounds);

}  // namespace quorvex::motion
