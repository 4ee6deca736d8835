#pragma once

// The computer player's hand: where it wants its paddle, and how fast and how late it gets
// there. It only ever produces a pointer position; the client's own paddle rule lays the paddle
// from it, exactly as for a person's mouse. Plain C++; time is given in milliseconds.

#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <string>

#include "client/arena/arena.h"
#include "client/ball/ball_status.h"
#include "protocol/bot_skill.h"

namespace quorvex::client::bot {

struct SkillProfile {
    double speed;     // twips per second the paddle can slide along its side
    int reactionMs;   // how late a ball position is acted upon
    double aimError;  // standard deviation of the misjudged crossing, twips along the side
};

// The lowest skill is slow, late and careless; the highest quick, early and precise.
// Out-of-range skills are clamped.
SkillProfile ProfileFor(int skill);

struct Pointer {
    float x, y;
};

class Steering {
  public:
    Steering(int skill, std::uint32_t seed);

    // A BallUpdate seen at `nowMs`, after the client has judged it: the aim it gives is acted
    // on reactionMs later.
    void See(std::int64_t nowMs, const ball::Ball& ball, const arena::Arena& arena, int ownSeat,
             int seatCount, const ball::Bounds& bounds);

    // The pointer at `nowMs`: the paddle's middle slid towards the aim since the last call, no
    // faster than the skill allows, and kept so that the whole paddle lies on the own side.
    // Nothing while not seated or before the arena has the side.
    std::optional<Pointer> Move(std::int64_t nowMs, const arena::Arena& arena, int ownSeat);

  private:
    // The own side as a segment of the paddle's direction: positions are distances along it.
    struct Track {
        double ox = 0, oy = 0;     // the side's start vertex
        double ux = 0, uy = 0;     // unit vector along which the paddle is laid
        double low = 0, high = 0;  // the paddle middle's range
        int seat = -1;
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // the side it was made for
    };
    struct Sighting {
        std::int64_t atMs;
        std::optional<double> aim;  // nothing: the ball goes elsewhere, back to the middle
    };

    bool FollowSide(const arena::Arena& arena, int ownSeat);
    // Along the track, the paddle middle that puts the paddle over the ball's centre where the
    // own side judges it.
    double AimFor(const arena::Arena& arena, double x, double y) const;
    double Clamp(double position) const;

    SkillProfile profile_;
    std::mt19937 random_;
    std::normal_distribution<double> error_;
    Track track_;
    std::deque<Sighting> seen_;
    std::optional<double> aim_;
    double hand_ = 0;
    std::optional<std::int64_t> lastMoveMs_;
    std::string lastDirection_;
    double misjudged_ = 0;
};

}  // namespace quorvex::client::bot
