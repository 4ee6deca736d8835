#pragma once

// Where the ball is drawn between two BallUpdates. The server steps it 255 twips every 100 ms;
// drawing only the reported places makes it jump 17 pixels at a time. Between reports the drawn
// ball runs on along its direction at that speed, but never further than the one step the
// server will make next. The judgement keeps using the reported ball alone.

#include "client/ball/ball_status.h"

namespace quorvex::motion {

inline constexpr double kReportIntervalMs = 100;  // between two BallUpdates or PaddleUpdates
// A report this close to where the ball is drawn is eased into over one interval instead of
// being jumped to: four pixels back is a visible twitch, and such small gaps come from reports
// arriving a little early or late. A farther report (a reset, a bounce) is taken at once.
inline constexpr double kEaseTwips = 60;

struct Point {
    double x = 0;
    double y = 0;
};

class DrawnBall {
  public:
    // A BallUpdate has just been applied and judged: `ball` holds the reported place and the
    // direction it will be stepped along next (the server's, or the bounce just reported).
    void Report(const ball::Ball& ball, double nowMs);

    // The ball's drawn upper-left corner at `nowMs`.
    Point At(double nowMs) const;

    // Whether the drawn ball still moves at `nowMs`; once it has run its one step it rests.
    bool Moving(double nowMs) const;

  private:
    double Progress(double nowMs) const;

    bool reported_ = false;
    Point at_{1320, 120};  // the last reported corner
    Point step_;           // one server step along the direction
    Point ease_;           // the drawn ball's lead over the report when it came, fading out
    double reportMs_ = 0;
};

}  // namespace quorvex::motion
