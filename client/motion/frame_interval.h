#pragma once

// How often the window repaints while something moves: once per refresh of its screen, so the
// ball moves the same distance on every frame the screen shows.

#include <algorithm>
#include <cmath>

namespace quorvex::motion {

// For a screen that does not say its rate.
inline constexpr double kFallbackRefreshHz = 60;

// Whole milliseconds between frames at `refreshHz` (the fallback below 1 Hz), at least one.
inline int FrameIntervalMs(double refreshHz) {
    const double hz = refreshHz >= 1 ? refreshHz : kFallbackRefreshHz;
    return std::max(1, static_cast<int>(std::lround(1000 / hz)));
}

}  // namespace quorvex::motion
