#include <gtest/gtest.h>

#include <limits>

#include "client/arena/arena.h"
#include "tests/arena/arena_fixtures.h"

namespace quorvex::arena {
namespace {

using testing::Built;
using testing::Ends;
using testing::OneSideArena;

// The pointer is projected onto the own side's line, by x or by y as the start vertex's
// quadrant says, also beyond the side's ends; the paddle runs 1000 towards larger x.
TEST(MovePaddle, ProjectsThePointerOntoTheOwnSide) {
    struct Case {
        int seats, seat;
        float x, y;
        float x1, y1, x2, y2;
    };
    const Case cases[] = {
        {4, 1, 3000, 2000, 3000, 2232.07f, 3708.51f, 1526.37f},  // quadrant 1, by x
        {4, 0, 7000, 2000, 7236.20f, 2000, 7942.46f, 2707.95f},  // quadrant 2, by y
        {3, 0, 5000, 3000, 5000, 1872.90f, 6000.00f, 1874.49f},  // the nearly level top side
        {6, 0, 8000, 4000, 8482.89f, 4000, 8483.69f, 3000},      // nearly vertical, runs up
        {3, 0, 100, 9000, 100, 1865.10f, 1100.00f, 1866.69f},    // beyond the side's end
    };
    for (const Case& c : cases) {
        Arena arena = Built(c.seats);
        ASSERT_TRUE(MovePaddle(arena, c.seat, c.x, c.y));
        const Line& paddle = arena.players[static_cast<std::size_t>(c.seat)];
        EXPECT_NEAR(paddle.x1, c.x1, 0.01) << c.seats << " seats, seat " << c.seat;
        EXPECT_NEAR(paddle.y1, c.y1, 0.01);
        EXPECT_NEAR(paddle.x2, c.x2, 0.01);
        EXPECT_NEAR(paddle.y2, c.y2, 0.01);
    }
}

// Nothing moves before the first build, for a seat without a paddle (side 2 of two seats) or
// without a side, nor where the projection has no finite single-precision result (a far pointer
// on a steep side). A vertical side takes the pointer's height, a level one the pointer's x
// whichever quadrant it starts in.
TEST(MovePaddle, RefusesWithoutChangeWhereThereIsNoPaddleOrNoResult) {
    Arena initial = MakeInitialArena(), two = Built(2);
    EXPECT_FALSE(MovePaddle(initial, 0, 3000, 2000));
    for (const int seat : {-1, 2, 3, 500})
        EXPECT_FALSE(MovePaddle(two, seat, 3000, 2000)) << seat;
    const float huge = std::numeric_limits<float>::max();
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Line waiting = MakeInitialArena().players[0];
    struct Case {
        Line side;
        float x, y;
        Line paddle;
    };
    const Case cases[] = {
        {{8000, 3000, 8000, 4000}, 1234, 3600, {8000, 3600, 8000, 2600}},  // vertical
        {{7000, 1000, 6000, 1000}, 6500, 5200, {6500, 1000, 7500, 1000}},  // level, by x
        {{7000, 5000, 6000, 5000}, 6500, 5200, {6500, 5000, 7500, 5000}},  // level, quadrant 2
        {{6000, 1000, 6001, 3000}, huge, 0, waiting},
        {{6000, 1000, 6001, 3000}, inf, 4000, waiting},
        {{6000, 1000, 6001, 3000}, 8000, nan, waiting},
    };
    for (const Case& c : cases) {
        Arena arena = OneSideArena(c.side);
        EXPECT_EQ(MovePaddle(arena, 0, c.x, c.y), Ends(c.paddle) != Ends(waiting));
        EXPECT_EQ(Ends(arena.players[0]), Ends(c.paddle)) << c.side.x1 << " " << c.x;
    }
    EXPECT_EQ(Ends(initial.players), Ends(MakeInitialArena().players));
    EXPECT_EQ(Ends(two.players), Ends(Built(2).players));
}

// Big arenas have sides that come out exactly level; their paddles follow the pointer too.
TEST(MovePaddle, EverySeatOfAnArenaWithLevelSidesFollowsThePointer) {
    Arena arena = Built(1959);
    int level = 0;
    for (int seat = 0; seat < 1959; ++seat) {
        const Line& side = arena.barriers[static_cast<std::size_t>(seat)];
        level += arena.equations[static_cast<std::size_t>(seat)].slope == 0 ? 1 : 0;
        EXPECT_TRUE(MovePaddle(arena, seat, (side.x1 + side.x2) / 2, (side.y1 + side.y2) / 2))
            << seat;
    }
    EXPECT_GT(level, 0);
}

}  // namespace
}  // namespace quorvex::arena
