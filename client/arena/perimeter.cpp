#include <cmath>

#include "client/arena/arena.h"

namespace quorvex::arena {

int QuadrantOf(float x, float y) {
    if (x > kArenaCenterX) {
        return y < kArenaCenterY ? 1 : 2;
    }
    return y < kArenaCenterY ? 4 : 3;
}

int SideQuadrantByMidpoint(const Line& side) {
    // Halving is exact, so rounding the double sum gives the single-precision midpoint.
    const auto mx = static_cast<float>((static_cast<double>(side.x2) + side.x1) / 2);
    const auto my = static_cast<float>((static_cast<double>(side.y2) + side.y1) / 2);
    return QuadrantOf(mx, my);
}

int SideQuadrantByStart(const Line& side) {
    return QuadrantOf(side.x1, side.y1);
}

bool WithInPerimeter(const Arena& arena, int ownSeat, double x, double y) {
    if (!SeatHasSide(arena, ownSeat) || !std::isfinite(x) || !std::isfinite(y)) {
        return false;
    }
    const auto seat = static_cast<std::size_t>(ownSeat);
    const int quadrant = SideQuadrantByMidpoint(arena.barriers[seat]);
    const LineEquation& line = arena.equations[seat];
    const bool rightOfCentre = quadrant == 1 || quadrant == 2;
    const bool belowCentre = quadrant == 2 || quadrant == 3;

    if (line.vertical) {
        return rightOfCentre ? x <= line.x : x >= line.x;
    }
    const double s = line.slope;
    const double c = line.intercept;
    switch (quadrant) {
        case 1:
            return s * x + c <= y;
        case 3:
            return s * x + c >= y;
        default:
            break;
    }
    // Quadrants 2 and 4 compare against the line's x at the point's height, which a level
    // line does not have: there the centre's side is simply above or below it.
    if (s == 0) {
        return belowCentre ? y <= c : y >= c;
    }
    return quadrant == 2 ? (y - c) / s >= x : (y - c) / s <= x;
}

}  // namespace quorvex::arena
