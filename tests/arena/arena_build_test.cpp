#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "client/arena/arena.h"
#include "tests/arena/arena_fixtures.h"

namespace quorvex::arena {
namespace {

using testing::Built;
using testing::Ends;

// Fewer than three seats give a triangle, with a paddle per seat and element 0 always there;
// counts outside the seat table's 16 bits are taken as 0 or 32767.
TEST(SetUpArena, SidesAndPaddlesFollowTheSeatCount) {
    const std::tuple<int, std::size_t, std::size_t> cases[] = {
        // seats, sides, paddles
        {-4, 3, 1}, {0, 3, 1}, {1, 3, 1}, {2, 3, 2}, {5, 5, 5}, {1'000'000, 32767, 32767}};
    for (const auto& [seats, sides, paddles] : cases) {
        const Arena arena = Built(seats);
        EXPECT_EQ(std::make_tuple(arena.segments.size(), arena.barriers.size(),
                                  arena.equations.size(), arena.players.size()),
                  std::make_tuple(sides, sides, sides, paddles))
            << seats;
        EXPECT_TRUE(arena.ready);
    }
}

// The known vertices P(k) of three and four seats, built with 3.14 for pi in single precision,
// and the slope and intercept of the three-seat top side.
TEST(SetUpArena, VerticesOfTheKnownTriangleAndSquare) {
    const std::tuple<int, int, float, float> cases[] = {
        // seats, k, x, y
        {3, 1, 8484.584f, 1878.4492f},  {3, 2, 1991.3937f, 1868.1078f},
        {4, 1, 8984.999f, 3752.9863f},  {4, 2, 5240.9727f, 0.0047560218f},
        {4, 3, 1485.0107f, 3741.0413f}, {4, 4, 5223.055f, 7499.981f}};
    for (const auto& [seats, k, x, y] : cases) {
        const Line divider = Built(seats).segments[static_cast<std::size_t>(k - 1)];
        EXPECT_FLOAT_EQ(divider.x2, x) << seats << " seats, P(" << k << ")";
        EXPECT_FLOAT_EQ(divider.y2, y) << seats << " seats, P(" << k << ")";
    }
    const LineEquation top = Built(3).equations[0];
    EXPECT_NEAR(top.slope, 0.0015927, 1e-7);
    EXPECT_NEAR(top.intercept, 1864.936, 1e-3);
}

// Every arena is a closed polygon of dividers and sides, ends just left of straight below the
// centre, and has no side that is level or vertical (so no slope is zero or infinite).
TEST(SetUpArena, EveryArenaIsClosedAndHasNoAxisParallelSide) {
    for (int seats = 3; seats <= 200; ++seats) {
        SCOPED_TRACE(seats);
        const Arena arena = Built(seats);
        const auto n = static_cast<std::size_t>(seats);
        EXPECT_FLOAT_EQ(arena.segments[n - 1].x2, 5223.055f);
        EXPECT_FLOAT_EQ(arena.segments[n - 1].y2, 7499.981f);
        for (std::size_t i = 0; i < n; ++i) {
            const Line& side = arena.barriers[i];
            ASSERT_EQ(std::tie(side.x2, side.y2),
                      std::tie(arena.barriers[(i + 1) % n].x1, arena.barriers[(i + 1) % n].y1));
            ASSERT_EQ(std::tie(side.x1, side.y1),
                      std::tie(arena.segments[i].x2, arena.segments[i].y2));
            ASSERT_FALSE(arena.equations[i].vertical);
            ASSERT_TRUE(std::isnormal(arena.equations[i].slope));
        }
    }
}

// A rebuild leaves exactly the new arena: shrinking keeps nothing of the larger one, paddles
// that stay keep their place, new ones wait where element 0 is, and the same seat list twice
// gives the same lines.
TEST(SetUpArena, RebuildsLeaveExactlyTheNewArena) {
    Arena arena = Built(5);
    ASSERT_TRUE(MovePaddle(arena, 1, 3000, 2000));
    const Line moved = arena.players[1];
    SetUpArena(arena, 3);
    EXPECT_EQ(Ends(arena.segments), Ends(Built(3).segments));
    EXPECT_EQ(Ends(arena.barriers), Ends(Built(3).barriers));
    EXPECT_EQ(arena.equations.size(), 3u);
    EXPECT_EQ(arena.players.size(), 3u);
    EXPECT_EQ(Ends(arena.players[1]), Ends(moved));

    SetUpArena(arena, 6);
    const Arena once = arena;
    SetUpArena(arena, 6);
    EXPECT_EQ(Ends(arena.barriers), Ends(once.barriers));
    EXPECT_EQ(Ends(arena.players), Ends(once.players));
    EXPECT_EQ(Ends(arena.players[1]), Ends(moved));
    EXPECT_EQ(Ends(arena.players[5]), Ends(MakeInitialArena().players[0]));
    EXPECT_TRUE(arena.players[5].visible);
}

}  // namespace
}  // namespace quorvex::arena
