#pragma once

// Judging one reported ball position from the own seat's point of view: window-edge bounces,
// and a hit or a miss at the own side. Pure: the caller sends the events it returns.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "client/arena/arena.h"

namespace quorvex::ball {

struct Ball {
    float left = 1320;
    float top = 120;
    float width = 255;
    float height = 255;
    std::string direction = "0";  // degrees as text, as the last BallUpdate sent it (the Tag)
};

struct Event {
    std::uint8_t kind = 1;  // 1 bounce (value: new direction), 2 miss (value: own seat)
    std::string value;
};

struct Bounds {
    double outerWidth = 10350;  // the main window's outer width in twips
    float bottomLineY = 7560;   // Y1 of Line1, the separator under the arena
};

// The walls a ball can leave the playfield rectangle by, in the order they are checked.
enum class Wall { kLeft, kRight, kTop, kBottom };
inline constexpr Wall kWallsInOrder[] = {Wall::kLeft, Wall::kRight, Wall::kTop, Wall::kBottom};

// Which walls of kWallsInOrder the ball is beyond. Each of them turns the ball once, on the
// direction the previous one left.
std::array<bool, 4> WallsReached(const Ball& ball, const Bounds& bounds);

// The server's ball step: this many twips along the direction, with 3.14 for pi.
inline constexpr double kStepTwips = 255;
struct Offset {
    double x = 0;
    double y = 0;
};
// How far one step moves the ball along `direction` (degrees), before the server rounds it.
Offset StepAlong(double direction);

// The direction after a bounce off `wall`, computed as the game always has: T + 180 + (180 -
// (T - w) * 2) with w 180, 0, 90, 270. Not brought into any range.
double WallBounce(double direction, Wall wall);

// The angle the ball is mirrored about at the own side, in degrees with 3.14 for pi. A vertical
// side gives the limit of the formula (0 on the right, 360 on the left), and so does a level one,
// whose formula would divide by its zero slope.
double MirrorAngle(const arena::LineEquation& side, int sideQuadrant);

// Brings a hit's direction into [0, 360]: what "add 360 while below 0, then subtract 360 while
// above 360" gives, both ends possible, but in bounded time for any finite value.
double NormalizeHitDirection(double direction);

// Once per BallUpdate. Rewrites ball.direction for every bounce and returns the events to send,
// in order (at most five). Nothing when ownSeat < 0 or names no side/paddle/equation, when the
// ball's position or size is not finite, or when the direction text is not a number. A bounce
// whose new direction would not be finite ends the judgement with the events made so far. A
// level own side is judged like any other, with the limit of its mirror angle.
std::vector<Event> BallSatus(Ball& ball, const arena::Arena& arena, int ownSeat,
                             const Bounds& bounds);

}  // namespace quorvex::ball
