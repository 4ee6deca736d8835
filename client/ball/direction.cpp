#include <cmath>

#include "client/ball/ball_status.h"

namespace quorvex::ball {
namespace {

constexpr double kDegreesPerRadian = 180.0 / arena::kPi;

double WallAngle(Wall wall) {
    switch (wall) {
        case Wall::kLeft:
            return 180;
        case Wall::kRight:
            return 0;
        case Wall::kTop:
            return 90;
        case Wall::kBottom:
            break;
    }
    return 270;
}

}  // namespace

Offset StepAlong(double direction) {
    // As the server turns degrees into radians, so that a replayed step lands where its lands.
    const double radians = direction * (arena::kPi / 180);
    return {std::sin(radians) * kStepTwips, -std::cos(radians) * kStepTwips};
}

double WallBounce(double direction, Wall wall) {
    return direction + 180 + (180 - (direction - WallAngle(wall)) * 2);
}

double MirrorAngle(const arena::LineEquation& side, int sideQuadrant) {
    const bool rightOfCentre = sideQuadrant == 1 || sideQuadrant == 2;
    if (side.vertical) {
        return rightOfCentre ? 0.0 : 360.0;
    }
    if (side.slope == 0) {
        // The limit of the formulas below as the slope comes down to zero: a level side mirrors
        // like any other instead of leaving a hit or miss there unjudged.
        const double quarterTurn = kDegreesPerRadian * std::atan2(1.0, 0.0);
        return rightOfCentre ? -quarterTurn : 360 - quarterTurn;
    }
    if (rightOfCentre) {
        return kDegreesPerRadian * std::atan(-1 / side.slope);
    }
    return 360 - kDegreesPerRadian * std::atan(1 / side.slope);
}

double NormalizeHitDirection(double direction) {
    // Stepping by 360 is exact for every value whose steps would end, so taking the remainder
    // first gives the same results without a loop that never ends for a huge direction (where
    // adding 360 no longer changes the value).
    if (direction < 0) {
        const double rest = std::fmod(direction, 360.0);
        return rest < 0 ? rest + 360 : 0.0;
    }
    if (direction > 360) {
        const double rest = std::fmod(direction, 360.0);
        return rest == 0 ? 360.0 : rest;
    }
    return direction;
}

}  // namespace quorvex::ball
