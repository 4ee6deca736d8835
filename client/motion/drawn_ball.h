#pragma once

// Where the ball is drawn between two BallUpdates. The server steps it 255 twips every 100 ms;
// drawing only the reported places makes it jump 17 pixels at a time.
//
// The drawn ball runs along the path the reports lay down, on a steady clock of its own: each
// report is given its place on that clock (one interval after the one before), and the ball is
// drawn a little behind the latest report's time, by as much as the reports' arrival has lately
// varied. A report then arrives before the drawn ball needs it, however unevenly reports come,
// so the ball neither waits nor catches up. Between the latest report and the next it runs on
// towards where the server will step it next (NextStep), which this client can tell in advance:
// the walls and every seat's judgement turn it as they will, and a miss stops it where the
// report put it. It is never drawn further along than that one step.
//
// The judgement keeps using the reported ball alone.

#include <array>
#include <optional>

namespace quorvex::motion {

inline constexpr double kReportIntervalMs = 100;  // between two BallUpdates or PaddleUpdates

struct Point {
    double x = 0;
    double y = 0;
};

class DrawnBall {
  public:
    // Arrival spread is measured over this many of the latest reports (two seconds).
    static constexpr int kWindow = 20;
    // Beyond the measured spread: a report on the edge of it still comes in time.
    static constexpr double kMarginMs = 3;
    // How fast the delay may grow or shrink: a tenth of the elapsed time, so the ball runs at
    // most 10 % slower or faster while it adjusts, which the eye does not see.
    static constexpr double kSlew = 0.1;
    // A report that is not where the path led (a bounce nobody could foresee) is eased into
    // over this long; one farther than kJoinTwips from it, or after kGapMs of silence, starts
    // the path anew (a miss puts the ball back to the centre).
    static constexpr double kEaseMs = 120;
    static constexpr double kJoinTwips = 2 * 255;
    static constexpr double kGapMs = 400;

    // `delayFloorMs` is drawn behind in any case: 0 draws as early as the arrivals allow; one
    // interval and more draws only between reports already received.
    explicit DrawnBall(double delayFloorMs = 0) : floorMs_(delayFloorMs) {}

    // A BallUpdate has arrived at `nowMs`: the ball is at `at` (its upper-left corner), and
    // `next` is where the server will step it next, when this client can tell (NextStep).
    void Report(Point at, std::optional<Point> next, double nowMs);

    // The ball's drawn upper-left corner at `nowMs`.
    Point At(double nowMs) const;

    // Whether the drawn ball still moves at `nowMs`; at the end of what it knows it rests.
    bool Moving(double nowMs) const;

    // How far behind the latest report's time the ball is drawn, beyond the fastest arrival.
    double DelayMs(double nowMs) const;

  private:
    struct Reported {
        Point at;
        double pathMs = 0;  // its time on the drawn clock
    };
    static constexpr int kKept = 8;  // reports kept: the drawn ball is never further behind

    double Offset(double nowMs) const;
    Point OnPath(double pathMs) const;
    const Reported& Last() const { return kept_[static_cast<std::size_t>((count_ - 1) % kKept)]; }
    const Reported& Kept(int i) const { return kept_[static_cast<std::size_t>(i % kKept)]; }
    void StartRun(Point at, double nowMs);

    double floorMs_;
    bool reported_ = false;
    std::array<Reported, kKept> kept_{};
    int count_ = 0;  // reports of this run; the last kKept are in kept_
    std::optional<Point> next_;
    double lastArrivalMs_ = 0;
    // Arrival minus path time of the latest reports, and the spread carried from the last run.
    std::array<double, kWindow> arrivals_{};
    double carriedSpreadMs_ = 0;
    // The clock: drawn path time = now - offset, the offset moving towards its target.
    double rampStartMs_ = 0;
    double rampFrom_ = 0;
    double rampTo_ = 0;
    Point ease_;
    double easeStartMs_ = 0;
};

}  // namespace quorvex::motion
