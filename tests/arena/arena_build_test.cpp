#include <gtest/gtest.h>

#include <cmath>

#include "client/arena/arena.h"
#include "tests/arena/arena_fixtures.h"

namespace quorvex::arena {
namespace {

using testing::Built;

void ExpectSameLine(const Line& actual, const Line& expected) {
    EXPECT_EQ(actual.x1, expected.x1);
    EXPECT_EQ(actual.y1, expected.y1);
    EXPECT_EQ(actual.x2, expected.x2);
    EXPECT_EQ(actual.y2, expected.y2);
    EXPECT_EQ(actual.color, expected.color);
    EXPECT_EQ(actual.style, expected.style);
    EXPECT_EQ(actual.width, expected.width);
    EXPECT_EQ(actual.visible, expected.visible);
}

TEST(InitialArena, HoldsElementZeroOfEachCollectionInTheTopLeftCorner) {
    const Arena arena = MakeInitialArena();
    ASSERT_EQ(arena.segments.size(), 1u);
    ASSERT_EQ(arena.barriers.size(), 1u);
    ASSERT_EQ(arena.players.size(), 1u);
    ExpectSameLine(arena.segments[0], Line{120, 360, 1680, 360, kWhite, kDotted, 1, true});
    ExpectSameLine(arena.barriers[0], Line{120, 480, 1680, 480, kWhite, kSolid, 1, true});
    ExpectSameLine(arena.players[0], Line{240, 120, 1080, 240, kGreen, kSolid, 5, true});
    EXPECT_TRUE(arena.equations.empty());
    EXPECT_FALSE(arena.ready);
}

TEST(SetUpArena, FewerThanThreeSeatsGiveATriangleWithOnePaddlePerSeat) {
    struct Case {
        int seats;
        std::size_t paddles;
    };
    for (const Case c : {Case{0, 1}, Case{1, 1}, Case{2, 2}, Case{-4, 1}}) {
        SCOPED_TRACE(c.seats);
        const Arena arena = Built(c.seats);
        EXPECT_EQ(arena.segments.size(), 3u);
        EXPECT_EQ(arena.barriers.size(), 3u);
        EXPECT_EQ(arena.equations.size(), 3u);
        EXPECT_EQ(arena.players.size(), c.paddles);
        EXPECT_TRUE(arena.ready);
    }
}

TEST(SetUpArena, ThreeSeatsMatchTheKnownTriangle) {
    EXPECT_DOUBLE_EQ(AngleStep(3), 2.0933333333333337);
    const Arena arena = Built(3);
    const Line& side0 = arena.barriers[0];
    EXPECT_FLOAT_EQ(side0.x1, 8484.584f);
    EXPECT_FLOAT_EQ(side0.y1, 1878.4492f);
    EXPECT_FLOAT_EQ(side0.x2, 1991.3937f);
    EXPECT_FLOAT_EQ(side0.y2, 1868.1078f);
    EXPECT_FLOAT_EQ(arena.barriers[1].x2, 5223.055f);
    EXPECT_FLOAT_EQ(arena.barriers[1].y2, 7499.981f);
    EXPECT_NEAR(arena.equations[0].slope, 0.0015927, 1e-7);
    EXPECT_NEAR(arena.equations[0].intercept, 1864.936, 1e-3);
    EXPECT_FALSE(arena.equations[0].vertical);
}

TEST(SetUpArena, FourSeatsMatchTheKnownSquareAndNoSideIsAxisParallel) {
    EXPECT_DOUBLE_EQ(AngleStep(4), 1.57);
    const Arena arena = Built(4);
    const float expected[4][2] = {{8984.999f, 3752.9863f},
                                  {5240.9727f, 0.0047560f},
                                  {1485.0107f, 3741.0413f},
                                  {5223.055f, 7499.981f}};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(arena.segments[k].x2, expected[k][0], 1e-3);
        EXPECT_NEAR(arena.segments[k].y2, expected[k][1], 1e-6);
        EXPECT_NE(arena.barriers[k].x1, arena.barriers[k].x2);
        EXPECT_NE(arena.barriers[k].y1, arena.barriers[k].y2);
    }
}

TEST(SetUpArena, EveryArenaIsAClosedPolygonEndingJustLeftOfStraightBelow) {
    for (int seats = 3; seats <= 200; ++seats) {
        SCOPED_TRACE(seats);
        const Arena arena = Built(seats);
        const auto n = static_cast<std::size_t>(seats);
        ASSERT_EQ(arena.barriers.size(), n);
        EXPECT_FLOAT_EQ(arena.segments[n - 1].x2, 5223.055f);
        EXPECT_FLOAT_EQ(arena.segments[n - 1].y2, 7499.981f);
        for (std::size_t i = 0; i < n; ++i) {
            const Line& side = arena.barriers[i];
            const Line& next = arena.barriers[(i + 1) % n];
            ASSERT_EQ(side.x2, next.x1);
            ASSERT_EQ(side.y2, next.y1);
            ASSERT_EQ(arena.segments[i].x1, kArenaCenterX);
            ASSERT_EQ(arena.segments[i].y1, kArenaCenterY);
            ASSERT_EQ(side.x1, arena.segments[i].x2);
            ASSERT_FALSE(arena.equations[i].vertical);
            ASSERT_NE(arena.equations[i].slope, 0.0);
        }
    }
}

TEST(SetUpArena, NewElementsTakeElementZerosLook) {
    const Arena arena = Built(5);
    for (std::size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(arena.segments[i].style, kDotted);
        EXPECT_EQ(arena.segments[i].color, kWhite);
        EXPECT_TRUE(arena.segments[i].visible);
        EXPECT_EQ(arena.barriers[i].style, kSolid);
        EXPECT_EQ(arena.barriers[i].width, 1);
        EXPECT_TRUE(arena.barriers[i].visible);
        // Paddles are not placed by the build: they wait where element 0 is.
        ExpectSameLine(arena.players[i], Line{240, 120, 1080, 240, kGreen, kSolid, 5, true});
    }
}

TEST(SetUpArena, ShrinkingLeavesExactlyTheNewArenaAndKeepsRemainingPaddles) {
    Arena arena = Built(5);
    ASSERT_TRUE(MovePaddle(arena, 1, 3000, 2000));
    const Line movedPaddle = arena.players[1];

    SetUpArena(arena, 3);

    EXPECT_EQ(arena.segments.size(), 3u);
    EXPECT_EQ(arena.barriers.size(), 3u);
    EXPECT_EQ(arena.players.size(), 3u);
    EXPECT_EQ(arena.equations.size(), 3u);
    ExpectSameLine(arena.players[1], movedPaddle);
    const Arena fresh = Built(3);
    for (std::size_t i = 0; i < 3; ++i) {
        ExpectSameLine(arena.barriers[i], fresh.barriers[i]);
        ExpectSameLine(arena.segments[i], fresh.segments[i]);
    }
}

TEST(SetUpArena, GrowingKeepsPaddlesAndPutsNewOnesAtElementZero) {
    Arena arena = Built(3);
    ASSERT_TRUE(MovePaddle(arena, 2, 6000, 6000));
    const Line moved = arena.players[2];
    SetUpArena(arena, 6);
    ASSERT_EQ(arena.players.size(), 6u);
    ExpectSameLine(arena.players[2], moved);
    ExpectSameLine(arena.players[5], arena.players[0]);
    EXPECT_TRUE(arena.players[5].visible);
}

TEST(SetUpArena, TheSameSeatListTwiceGivesIdenticalCoordinates) {
    Arena arena = Built(7);
    const Arena first = arena;
    SetUpArena(arena, 7);
    for (std::size_t i = 0; i < 7; ++i) {
        ExpectSameLine(arena.barriers[i], first.barriers[i]);
        ExpectSameLine(arena.segments[i], first.segments[i]);
        EXPECT_EQ(arena.equations[i].slope, first.equations[i].slope);
        EXPECT_EQ(arena.equations[i].intercept, first.equations[i].intercept);
    }
}

TEST(SetUpArena, SeatCountsBeyondTheSeatTablesRangeAreCapped) {
    const Arena arena = Built(1'000'000);
    EXPECT_EQ(arena.barriers.size(), 32767u);
    EXPECT_EQ(arena.players.size(), 32767u);
}

TEST(SideEquation, AVerticalSideIsMarkedInsteadOfDividingByZero) {
    Line side;
    side.x1 = 8000;
    side.y1 = 3000;
    side.x2 = 8000;
    side.y2 = 4000;
    const LineEquation equation = SideEquation(side);
    EXPECT_TRUE(equation.vertical);
    EXPECT_EQ(equation.x, 8000.0);
    EXPECT_EQ(equation.slope, 0.0);
    EXPECT_EQ(equation.intercept, 0.0);
}

}  // namespace
}  // namespace quorvex::arena
