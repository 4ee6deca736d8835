#pragma once

// Judging one reported ball position from the own seat's point of view: window-edge bounces,
// and a hit or a miss at the own side. Pure: the caller sends the events it returns.

#include <cstdint>
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

// Once per BallUpdate. Rewrites ball.direction for every bounce and returns the events to send,
// in order (at most five). Nothing when ownSeat < 0 or names no side/paddle/equation. A
// direction text that is not a number ends the judgement with the events made so far.
std::vector<Event> BallSatus(Ball& ball, const arena::Arena& arena, int ownSeat,
                             const Bounds& bounds);

}  // namespace quorvex::ball
