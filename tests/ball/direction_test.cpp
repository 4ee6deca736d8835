#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "client/ball/ball_status.h"

namespace quorvex::ball {
namespace {

// The stepping the game has always done, for values where it ends.
double SteppedDirection(double d) {
    while (d < 0) {
        d += 360;
    }
    while (d > 360) {
        d -= 360;
    }
    return d;
}

TEST(NormalizeHitDirection, KeepsBothEndsOfTheTurnAsSteppingDoes) {
    struct Case {
        double in, out;
    };
    const Case cases[] = {
        {0, 0},        {360, 360},   {720, 360},      {1080, 360},  {-360, 0},     {-720, 0},
        {-0.5, 359.5}, {360.5, 0.5}, {1080.25, 0.25}, {44.5, 44.5}, {-1e-14, 360},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NormalizeHitDirection(c.in), c.out) << c.in;
        EXPECT_EQ(NormalizeHitDirection(c.in), SteppedDirection(c.in)) << c.in;
    }
}

TEST(NormalizeHitDirection, MatchesSteppingExactlyForOrdinaryValues) {
    std::mt19937 random(42);
    std::uniform_real_distribution<double> value(-100000, 100000);
    for (int i = 0; i < 20000; ++i) {
        const double d = value(random);
        ASSERT_EQ(NormalizeHitDirection(d), SteppedDirection(d)) << d;
    }
}

TEST(NormalizeHitDirection, EndsInAFullTurnForHugeValues) {
    for (const double d : {1e20, -1e20, 1e300, -1e300, std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::lowest()}) {
        const double out = NormalizeHitDirection(d);
        EXPECT_GE(out, 0) << d;
        EXPECT_LE(out, 360) << d;
    }
}

TEST(MirrorAngle, UsesThreePointOneFourForPi) {
    arena::LineEquation rising;
    rising.slope = 1;
    EXPECT_NEAR(*MirrorAngle(rising, 1), -45.0228, 1e-4);
    EXPECT_NEAR(*MirrorAngle(rising, 3), 314.977, 1e-3);
    arena::LineEquation falling;
    falling.slope = -1;
    EXPECT_NEAR(*MirrorAngle(falling, 2), 45.0228, 1e-4);
    EXPECT_NEAR(*MirrorAngle(falling, 4), 405.0228, 1e-4);
}

TEST(MirrorAngle, AVerticalSideGivesTheLimitAndALevelOneNone) {
    arena::LineEquation vertical;
    vertical.vertical = true;
    vertical.x = 8000;
    EXPECT_EQ(*MirrorAngle(vertical, 1), 0);
    EXPECT_EQ(*MirrorAngle(vertical, 2), 0);
    EXPECT_EQ(*MirrorAngle(vertical, 3), 360);
    EXPECT_EQ(*MirrorAngle(vertical, 4), 360);
    EXPECT_FALSE(MirrorAngle(arena::LineEquation{}, 1).has_value());
    EXPECT_FALSE(MirrorAngle(arena::LineEquation{}, 4).has_value());
}

}  // namespace
}  // namespace quorvex::ball
