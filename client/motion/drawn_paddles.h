#pragma once

// Where the paddles are drawn. Other players' paddles are reported ten times a second; drawn
// as reported they jump. Each one glides instead from where it is drawn to its newly reported
// place over one report interval. The own paddle follows the pointer and is drawn where it is.
// A report that moves a paddle by less than kStillTwips (a tenth of a pixel) changes nothing
// that could be seen: the paddle stays drawn where it is, and nothing is repainted for it.

#include <vector>

#include "client/arena/arena.h"

namespace quorvex::motion {

inline constexpr float kStillTwips = 1.5f;

class DrawnPaddles {
  public:
    // Takes the arena's paddles as they now are: a paddle whose place changed starts gliding
    // there from where it is drawn; the own seat's paddle, and one the arena did not have
    // before, stand at their place at once. Look and visibility follow at once.
    void Follow(const std::vector<arena::Line>& paddles, int ownSeat, double nowMs);

    // The paddles as drawn at `nowMs`, one per paddle of the last Follow, into `drawn` (whose
    // room is reused: nothing is allocated once it has grown to the arena).
    void At(double nowMs, std::vector<arena::Line>& drawn) const;
    std::vector<arena::Line> At(double nowMs) const;

    bool Moving(double nowMs) const;

  private:
    struct Glide {
        arena::Line from;
        arena::Line to;
        double startMs = 0;
    };
    static arena::Line Between(const Glide& glide, double nowMs);
    static double Progress(const Glide& glide, double nowMs);

    std::vector<Glide> glides_;
};

}  // namespace quorvex::motion
