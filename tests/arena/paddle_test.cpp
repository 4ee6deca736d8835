#include <gtest/gtest.h>

#include <limits>

#include "client/arena/arena.h"
#include "tests/arena/arena_fixtures.h"

namespace quorvex::arena {
namespace {

using testing::Built;

using testing::OneSideArena;
using testing::Side;

void ExpectUnchanged(const Line& actual, const Line& before) {
    EXPECT_EQ(actual.x1, before.x1);
    EXPECT_EQ(actual.y1, before.y1);
    EXPECT_EQ(actual.x2, before.x2);
    EXPECT_EQ(actual.y2, before.y2);
}

struct PaddleCase {
    const char* name;
    int seats;
    int seat;
    float x, y;
    float x1, y1, x2, y2;
};

TEST(MovePaddle, ProjectsThePointerOntoTheOwnSide) {
    const PaddleCase cases[] = {
        {"four seats, seat 1, by x", 4, 1, 3000, 2000, 3000, 2232.07f, 3708.51f, 1526.37f},
        {"four seats, seat 0, by y", 4, 0, 7000, 2000, 7236.20f, 2000, 7942.46f, 2707.95f},
        {"three seats, top side", 3, 0, 5000, 3000, 5000, 1872.90f, 6000.00f, 1874.49f},
        {"six seats, nearly vertical", 6, 0, 8000, 4000, 8482.89f, 4000, 8483.69f, 3000},
    };
    for (const PaddleCase& c : cases) {
        SCOPED_TRACE(c.name);
        Arena arena = Built(c.seats);
        ASSERT_TRUE(MovePaddle(arena, c.seat, c.x, c.y));
        const Line& paddle = arena.players[static_cast<std::size_t>(c.seat)];
        EXPECT_NEAR(paddle.x1, c.x1, 0.01);
        EXPECT_NEAR(paddle.y1, c.y1, 0.01);
        EXPECT_NEAR(paddle.x2, c.x2, 0.01);
        EXPECT_NEAR(paddle.y2, c.y2, 0.01);
        EXPECT_LT(paddle.x1, paddle.x2);
    }
}

TEST(MovePaddle, APointerBeyondTheSidePutsThePaddleOnTheProlongedLine) {
    Arena arena = Built(3);
    ASSERT_TRUE(MovePaddle(arena, 0, 100, 9000));
    const Line& paddle = arena.players[0];
    const LineEquation& line = arena.equations[0];
    EXPECT_EQ(paddle.x1, 100);
    EXPECT_NEAR(paddle.y1, 100 * line.slope + line.intercept, 1e-3);
}

TEST(MovePaddle, DoesNothingUntilReadyOrWhenTheSeatNamesNoPaddle) {
    Arena initial = MakeInitialArena();
    const Line before = initial.players[0];
    EXPECT_FALSE(MovePaddle(initial, 0, 3000, 2000));
    ExpectUnchanged(initial.players[0], before);

    Arena two = Built(2);  // side 2 exists but has no paddle
    const Arena untouched = two;
    for (const int seat : {-1, 2, 3, 500}) {
        EXPECT_FALSE(MovePaddle(two, seat, 3000, 2000));
    }
    for (std::size_t i = 0; i < two.players.size(); ++i) {
        ExpectUnchanged(two.players[i], untouched.players[i]);
    }
}

TEST(MovePaddle, AVerticalSideGetsAPaddleAtThePointersHeightRunningUp) {
    Arena arena = OneSideArena(Side(8000, 3000, 8000, 4000));
    ASSERT_TRUE(MovePaddle(arena, 0, 1234, 3600));
    const Line& paddle = arena.players[0];
    EXPECT_EQ(paddle.x1, 8000);
    EXPECT_EQ(paddle.y1, 3600);
    EXPECT_EQ(paddle.x2, 8000);
    EXPECT_EQ(paddle.y2, 2600);
}

TEST(MovePaddle, ALevelSideProjectedByYRefusesInsteadOfDividingByZero) {
    // Start vertex in the lower right: projected by y.
    Arena level = OneSideArena(Side(7000, 5000, 6000, 5000));
    const Line before = level.players[0];
    EXPECT_FALSE(MovePaddle(level, 0, 6500, 5200));
    ExpectUnchanged(level.players[0], before);

    // Start vertex in the upper right: projected by x, which a level side allows.
    Arena top = OneSideArena(Side(7000, 1000, 6000, 1000));
    ASSERT_TRUE(MovePaddle(top, 0, 6500, 5200));
    EXPECT_EQ(top.players[0].y1, 1000);
    EXPECT_EQ(top.players[0].x2, 7500);
}

TEST(MovePaddle, APositionWithoutASinglePrecisionResultChangesNothing) {
    const float huge = std::numeric_limits<float>::max();
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // A steep side projected by x: a far pointer's height on it is beyond single precision.
    Arena steep = OneSideArena(Side(6000, 1000, 6001, 3000));
    ASSERT_EQ(SideQuadrantByStart(steep.barriers[0]), 1);
    const Line before = steep.players[0];
    EXPECT_FALSE(MovePaddle(steep, 0, huge, 0));
    EXPECT_FALSE(MovePaddle(steep, 0, inf, 4000));
    EXPECT_FALSE(MovePaddle(steep, 0, 8000, nan));
    ExpectUnchanged(steep.players[0], before);
}

}  // namespace
}  // namespace quorvex::arena
