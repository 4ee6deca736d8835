#pragma once

// The drawn ball under uneven arrival: a simulated server and its players (the real ball and
// arena rules judging every seat), the server's messages reaching one client through a delay
// that varies, and that client's drawing (ClientState, NextStep, DrawnBall, as the window uses
// them) sampled at 60 frames a second. Plain C++, no window, no sockets.

namespace quorvex::bench {

enum class Scheme {
    kBefore,      // the drawing this replaced: extrapolation from each arrival, eased
    kAdaptive,    // the steady clock, a delay of the measured spread, the predicted next step
    kInterpolate  // the same clock one whole interval further behind: between reports only
};

struct JitterFigures {
    long frames = 0;
    double stillShare = 0;     // frames the drawn ball did not move while the ball ran
    double jumpedShare = 0;    // frames it moved more than 3 px unlike the ball
    long backwards = 0;        // frames it went more than 1 px back along the ball's path
    double missWaitShare = 0;  // frames it stood at a miss, waiting for the ball's reset
    double beyondPx = 0;       // furthest drawn beyond a side or wall past the ball there
    double lagMs = 0;          // mean: how far behind the server's ball it is drawn
    long wrongGuesses = 0;     // next steps foreseen wrongly (a paddle moved since its report)
};

// `jitterMs`: each message is held jitterMs +- jitterMs beyond a 5 ms latency (in order,
// as TCP delivers). `seated`: the client plays seat 0, else it watches six players.
JitterFigures RunJitter(Scheme scheme, double jitterMs, bool seated, int seconds, unsigned seed);

}  // namespace quorvex::bench
