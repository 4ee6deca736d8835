#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "client/arena/arena.h"
#include "tests/arena/arena_fixtures.h"

namespace quorvex::arena {
namespace {

using testing::Built;

using testing::OneSideArena;
using testing::Side;

TEST(WithInPerimeter, ASeatThatNamesNoSideIsOutsideEverywhere) {
    const Arena arena = Built(4);
    for (const int seat : {-1, 4, 1000}) {
        EXPECT_FALSE(WithInPerimeter(arena, seat, kArenaCenterX, kArenaCenterY));
        EXPECT_FALSE(WithInPerimeter(arena, seat, 0, 0));
    }
    EXPECT_FALSE(WithInPerimeter(MakeInitialArena(), 0, kArenaCenterX, kArenaCenterY));
}

TEST(WithInPerimeter, CentreIsInsideAndAPointBeyondTheMidpointIsOutsideForEverySide) {
    for (int seats = 3; seats <= 200; ++seats) {
        const Arena arena = Built(seats);
        for (int seat = 0; seat < seats; ++seat) {
            SCOPED_TRACE(::testing::Message() << seats << " seats, seat " << seat);
            const Line& side = arena.barriers[static_cast<std::size_t>(seat)];
            const double mx = (static_cast<double>(side.x1) + side.x2) / 2;
            const double my = (static_cast<double>(side.y1) + side.y2) / 2;
            const double beyondX = mx + (mx - kArenaCenterX) / 5;
            const double beyondY = my + (my - kArenaCenterY) / 5;
            ASSERT_TRUE(WithInPerimeter(arena, seat, kArenaCenterX, kArenaCenterY));
            ASSERT_FALSE(WithInPerimeter(arena, seat, beyondX, beyondY));
        }
    }
}

TEST(WithInPerimeter, APointOnTheLineCountsAsInside) {
    const Arena arena = Built(4);
    struct Case {
        int seat;
        int quadrant;
    };
    // Side 0 of four seats lies in the upper right, side 2 in the lower left.
    for (const Case c : {Case{0, 1}, Case{2, 3}}) {
        SCOPED_TRACE(c.seat);
        const auto seat = static_cast<std::size_t>(c.seat);
        ASSERT_EQ(SideQuadrantByMidpoint(arena.barriers[seat]), c.quadrant);
        const LineEquation& line = arena.equations[seat];
        for (const double x : {2000.0, 5235.0, 7777.0}) {
            EXPECT_TRUE(WithInPerimeter(arena, c.seat, x, line.slope * x + line.intercept));
        }
    }
}

TEST(SideQuadrant, MidpointAndStartVertexMayDisagreeForOneSide) {
    const Arena arena = Built(4);
    EXPECT_EQ(SideQuadrantByMidpoint(arena.barriers[0]), 1);
    EXPECT_EQ(SideQuadrantByStart(arena.barriers[0]), 2);  // P(1) has y 3752.99
}

TEST(QuadrantOf, PointsOnTheCentresAxesGoLeftAndDown) {
    EXPECT_EQ(QuadrantOf(6000, 1000), 1);
    EXPECT_EQ(QuadrantOf(6000, 3750), 2);
    EXPECT_EQ(QuadrantOf(5235, 3750), 3);
    EXPECT_EQ(QuadrantOf(5235, 1000), 4);
    EXPECT_EQ(QuadrantOf(1000, 6000), 3);
}

TEST(WithInPerimeter, AVerticalSideIsTestedAsTheVerticalLineItIs) {
    const Arena right = OneSideArena(Side(8000, 3000, 8000, 4000));
    EXPECT_TRUE(WithInPerimeter(right, 0, kArenaCenterX, kArenaCenterY));
    EXPECT_TRUE(WithInPerimeter(right, 0, 8000, -1e6));
    EXPECT_FALSE(WithInPerimeter(right, 0, 8000.5, 3500));

    const Arena left = OneSideArena(Side(2000, 4000, 2000, 3000));
    EXPECT_TRUE(WithInPerimeter(left, 0, kArenaCenterX, kArenaCenterY));
    EXPECT_TRUE(WithInPerimeter(left, 0, 2000, 3500));
    EXPECT_FALSE(WithInPerimeter(left, 0, 1999.5, 3500));
}

TEST(WithInPerimeter, ALevelSideWhereTheTestWouldDivideByItsSlopeComparesHeights) {
    // The midpoints sit on the centre's horizontal and to its left: quadrants 2 and 4 are
    // where the test divides by the slope.
    const Arena lower = OneSideArena(Side(6000, 6000, 7000, 6000));
    ASSERT_EQ(SideQuadrantByMidpoint(lower.barriers[0]), 2);
    EXPECT_TRUE(WithInPerimeter(lower, 0, kArenaCenterX, kArenaCenterY));
    EXPECT_TRUE(WithInPerimeter(lower, 0, 9000, 6000));
    EXPECT_FALSE(WithInPerimeter(lower, 0, 6500, 6001));

    const Arena upper = OneSideArena(Side(3000, 1000, 4000, 1000));
    ASSERT_EQ(SideQuadrantByMidpoint(upper.barriers[0]), 4);
    EXPECT_TRUE(WithInPerimeter(upper, 0, kArenaCenterX, kArenaCenterY));
    EXPECT_FALSE(WithInPerimeter(upper, 0, 3500, 999));
}

TEST(WithInPerimeter, APointThatIsNotFiniteIsOutside) {
    const Arena arena = Built(5);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(WithInPerimeter(arena, 0, nan, kArenaCenterY));
    EXPECT_FALSE(WithInPerimeter(arena, 0, kArenaCenterX, -inf));
}

}  // namespace
}  // namespace quorvex::arena
