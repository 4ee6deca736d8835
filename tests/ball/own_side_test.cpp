#include <gtest/gtest.h>

#include <string>

#include "client/arena/arena.h"
#include "client/ball/ball_status.h"
#include "tests/arena/arena_fixtures.h"

namespace quorvex::ball {
namespace {

using arena::Line;
using arena::testing::OneSideArena;
using arena::testing::Side;

Ball At(float left, float top, std::string direction) {
    Ball ball;
    ball.left = left;
    ball.top = top;
    ball.direction = std::move(direction);
    return ball;
}

// An arena whose own side is `side`, with the own paddle laid on the same two points.
arena::Arena WithPaddle(Line side, Line paddle, int seat = 0) {
    arena::Arena arena = OneSideArena(side, seat);
    arena.players[static_cast<std::size_t>(seat)] = paddle;
    return arena;
}

struct SideCase {
    const char* name;
    Line side;
    Line paddle;  // stored with x1 < x2, as the paddle handler lays it
    float left, top;
    const char* direction;
    const char* expected;
};

// Each ball straddles its side: the leading corner beyond, the trailing one inside, the
// centre on the paddle.
const SideCase kHits[] = {
    {"upper right, slope 1", Side(6000, 1000, 7000, 2000), Side(6000, 1000, 7000, 2000), 6400, 1300,
     "45", "224"},
    {"lower left, slope 1", Side(3000, 5000, 4000, 6000), Side(3000, 5000, 4000, 6000), 3400, 5300,
     "225", "44"},
    {"lower right, slope -1", Side(7000, 5000, 6000, 6000), Side(6000, 6000, 7000, 5000), 6400,
     5400, "135", "315"},
    {"upper left, slope -1", Side(4000, 1000, 3000, 2000), Side(3000, 2000, 4000, 1000), 3400, 1300,
     "315", "135"},
    {"vertical on the right", Side(8000, 3000, 8000, 4000), Side(8000, 4000, 8000, 3000), 7900,
     3400, "45", "315"},
    {"vertical on the left", Side(2000, 4000, 2000, 3000), Side(2000, 4000, 2000, 3000), 1900, 3400,
     "315", "45"},
};

TEST(BallSatus, AHitMirrorsTheDirectionAboutTheOwnSide) {
    for (const SideCase& c : kHits) {
        SCOPED_TRACE(c.name);
        const arena::Arena arena = WithPaddle(c.side, c.paddle);
        Ball ball = At(c.left, c.top, c.direction);
        const std::vector<Event> events = BallSatus(ball, arena, 0, Bounds{});
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].kind, 1);
        EXPECT_EQ(events[0].value, c.expected);
        EXPECT_EQ(ball.direction, c.expected);
    }
}

TEST(BallSatus, AStraddlingBallOffThePaddleIsAMiss) {
    for (const SideCase& c : kHits) {
        SCOPED_TRACE(c.name);
        const arena::Arena arena = WithPaddle(c.side, Side(0, 0, 1, 0));
        Ball ball = At(c.left, c.top, c.direction);
        const std::vector<Event> events = BallSatus(ball, arena, 0, Bounds{});
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].kind, 2);
        EXPECT_EQ(events[0].value, "0");
        EXPECT_EQ(ball.direction, c.direction);
    }
}

TEST(BallSatus, ACentreExactlyOnAPaddleEndIsAMiss) {
    const SideCase& c = kHits[0];  // centre x 6527.5
    for (const Line paddle : {Side(6527.5f, 0, 7000, 0), Side(6000, 0, 6527.5f, 0)}) {
        const arena::Arena arena = WithPaddle(c.side, paddle);
        Ball ball = At(c.left, c.top, c.direction);
        const std::vector<Event> events = BallSatus(ball, arena, 0, Bounds{});
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].kind, 2);
    }
}

TEST(BallSatus, ABallWhollyBeyondTheOwnSideIsAMissWhereverThePaddleIs) {
    arena::Arena arena = arena::testing::Built(3);  // seat 2 owns the lower-right side
    ASSERT_TRUE(arena::MovePaddle(arena, 2, 9200, 6100));
    Ball ball = At(9000, 6000, "135");
    const std::vector<Event> events = BallSatus(ball, arena, 2, Bounds{});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, 2);
    EXPECT_EQ(events[0].value, "2");
}

TEST(BallSatus, ALeadingCornerOnOrInsideTheLineMakesNoSideEvent) {
    const SideCase& c = kHits[0];  // the line y = x - 5000
    const arena::Arena onLine = WithPaddle(c.side, c.paddle);
    Ball touching = At(6400, 1655, "45");  // leading corner (6655, 1655)
    EXPECT_TRUE(BallSatus(touching, onLine, 0, Bounds{}).empty());

    // A side steep enough that the leading corner is inside while the trailing one is not;
    // the top edge still turns the ball.
    const Line steep = Side(5500, 1400, 6000, 400);  // y = -2x + 12400
    const arena::Arena arena = WithPaddle(steep, Side(5500, 1400, 6000, 400));
    ASSERT_TRUE(arena::WithInPerimeter(arena, 0, 6255, -5));
    ASSERT_FALSE(arena::WithInPerimeter(arena, 0, 6000, 250));
    Ball ball = At(6000, -5, "45");
    const std::vector<Event> events = BallSatus(ball, arena, 0, Bounds{});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value, "495");
}

TEST(BallSatus, ALevelOwnSideMakesNoSideEvent) {
    const arena::Arena arena =
        WithPaddle(Side(6000, 1000, 7000, 1000), Side(6000, 1000, 7000, 1000));
    Ball ball = At(6400, 900, "45");
    EXPECT_TRUE(BallSatus(ball, arena, 0, Bounds{}).empty());
    EXPECT_EQ(ball.direction, "45");
}

TEST(BallSatus, AHugeDirectionIsBroughtIntoAFullTurnAtOnce) {
    const SideCase& c = kHits[0];
    const arena::Arena arena = WithPaddle(c.side, c.paddle);
    for (const char* direction : {"1e20", "1e300", "-1e300", "-123456789012345678"}) {
        SCOPED_TRACE(direction);
        Ball ball = At(c.left, c.top, direction);
        const std::vector<Event> events = BallSatus(ball, arena, 0, Bounds{});
        ASSERT_EQ(events.size(), 1u);
        const double value = std::stod(events[0].value);
        EXPECT_GE(value, 0);
        EXPECT_LE(value, 360);
    }
}

}  // namespace
}  // namespace quorvex::ball
