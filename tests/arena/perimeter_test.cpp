#include <gtest/gtest.h>

#include <limits>

#include "client/arena/arena.h"
#include "tests/arena/arena_fixtures.h"

namespace quorvex::arena {
namespace {

using testing::Built;
using testing::OneSideArena;

// In every arena the centre is inside every side and a point a fifth beyond a side's midpoint
// is outside; a seat that names no side is outside everywhere.
TEST(WithInPerimeter, CentreInsideAndBeyondTheMidpointOutsideForEverySide) {
    for (int seats = 3; seats <= 200; ++seats) {
        const Arena arena = Built(seats);
        for (int seat = 0; seat < seats; ++seat) {
            const Line& side = arena.barriers[static_cast<std::size_t>(seat)];
            const double mx = (static_cast<double>(side.x1) + side.x2) / 2;
            const double my = (static_cast<double>(side.y1) + side.y2) / 2;
            ASSERT_TRUE(WithInPerimeter(arena, seat, kArenaCenterX, kArenaCenterY)) << seat;
            ASSERT_FALSE(WithInPerimeter(arena, seat, mx + (mx - kArenaCenterX) / 5,
                                         my + (my - kArenaCenterY) / 5))
                << seats << " seats, seat " << seat;
        }
    }
    for (const int seat : {-1, 4, 1000})
        EXPECT_FALSE(WithInPerimeter(Built(4), seat, kArenaCenterX, kArenaCenterY));
    EXPECT_FALSE(WithInPerimeter(MakeInitialArena(), 0, kArenaCenterX, kArenaCenterY));
}

// A point on the line through the own side counts as inside (quadrants 1 and 3 of four seats).
// Side 0 of four seats is in quadrant 1 by its midpoint but 2 by its start vertex P(1), and
// points on the centre's axes count as left and lower.
TEST(WithInPerimeter, OnTheLineIsInsideAndQuadrantsFollowTheMidpoint) {
    const Arena arena = Built(4);
    for (const int seat : {0, 2}) {
        const LineEquation& line = arena.equations[static_cast<std::size_t>(seat)];
        for (const double x : {2000.0, 5235.0, 7777.0})
            EXPECT_TRUE(WithInPerimeter(arena, seat, x, line.slope * x + line.intercept));
    }
    EXPECT_EQ(SideQuadrantByMidpoint(arena.barriers[0]), 1);
    EXPECT_EQ(SideQuadrantByMidpoint(arena.barriers[2]), 3);
    EXPECT_EQ(SideQuadrantByStart(arena.barriers[0]), 2);
    EXPECT_EQ(QuadrantOf(6000, 3750), 2);
    EXPECT_EQ(QuadrantOf(5235, 3750), 3);
    EXPECT_EQ(QuadrantOf(5235, 1000), 4);
}

// Quadrants 2 and 4 compare by x at the point's height, the line itself inside. Sides where
// that would divide by zero: a vertical side is tested as the vertical line it is, a level one
// in quadrant 2 or 4 by height. A point that is not finite is outside.
TEST(WithInPerimeter, VerticalAndLevelSidesAndPointsThatAreNotFinite) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        Line side;
        double x, y;
        bool inside;
    };
    const Case cases[] = {{{8000, 3000, 8000, 4000}, 8000, -1e6, true},
                          {{8000, 3000, 8000, 4000}, 8000.5, 3500, false},
                          {{2000, 4000, 2000, 3000}, 2000, 3500, true},
                          {{2000, 4000, 2000, 3000}, 1999.5, 3500, false},
                          {{6000, 6000, 7000, 6000}, 9000, 6000, true},
                          {{6000, 6000, 7000, 6000}, 6500, 6001, false},
                          {{3000, 1000, 4000, 1000}, 3500, 1000, true},
                          {{3000, 1000, 4000, 1000}, 3500, 999, false},
                          {{7000, 5000, 6000, 6000}, 6500, 5500, true},
                          {{7000, 5000, 6000, 6000}, 6500.5, 5500, false},
                          {{4000, 1000, 3000, 2000}, 3500, 1500, true},
                          {{4000, 1000, 3000, 2000}, 3499.5, 1500, false},
                          {{6000, 1000, 7000, 2000}, nan, 3750, false},
                          {{6000, 1000, 7000, 2000}, 5235, -inf, false}};
    for (const Case& c : cases) {
        const Arena arena = OneSideArena(c.side);
        EXPECT_TRUE(WithInPerimeter(arena, 0, kArenaCenterX, kArenaCenterY));
        EXPECT_EQ(WithInPerimeter(arena, 0, c.x, c.y), c.inside) << c.side.x1 << " " << c.x;
    }
}

}  // namespace
}  // namespace quorvex::arena
