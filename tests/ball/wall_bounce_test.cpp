#include <gtest/gtest.h>

#include <limits>

#include "client/arena/arena.h"
#include "client/ball/ball_status.h"
#include "tests/arena/arena_fixtures.h"

namespace quorvex::ball {
namespace {

using arena::testing::Built;

Ball At(float left, float top, std::string direction) {
    Ball ball;
    ball.left = left;
    ball.top = top;
    ball.direction = std::move(direction);
    return ball;
}

std::vector<std::string> Bounces(const std::vector<Event>& events) {
    std::vector<std::string> values;
    for (const Event& e : events) {
        if (e.kind == 1) {
            values.push_back(e.value);
        }
    }
    return values;
}

TEST(WallBounce, EachWallMirrorsTheDirectionByItsOwnFormula) {
    struct Case {
        Wall wall;
        double direction;
        double expected;
    };
    const Case cases[] = {
        {Wall::kLeft, 315, 405}, {Wall::kRight, 45, 315},   {Wall::kRight, 450, -90},
        {Wall::kTop, 405, 135},  {Wall::kBottom, 200, 700}, {Wall::kLeft, 0.5, 719.5},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(WallBounce(c.direction, c.wall), c.expected);
    }
}

TEST(BallSatus, ASpectatorOrASeatWithoutASideJudgesNothing) {
    const arena::Arena arena = Built(3);
    for (const int seat : {-1, 3, 77}) {
        Ball ball = At(-500, -500, "315");
        EXPECT_TRUE(BallSatus(ball, arena, seat, Bounds{}).empty());
        EXPECT_EQ(ball.direction, "315");
    }
}

TEST(BallSatus, ACornerBounceTurnsTwiceInCheckOrderThenJudgesTheOwnSide) {
    const arena::Arena arena = Built(3);
    Ball ball = At(-5, -5, "315");
    const std::vector<Event> events = BallSatus(ball, arena, 0, Bounds{});
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0].kind, 1);
    EXPECT_EQ(events[0].value, "405");
    EXPECT_EQ(events[1].kind, 1);
    EXPECT_EQ(events[1].value, "135");
    EXPECT_EQ(ball.direction, "135");
    // Far above the top side: the own side's miss follows.
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[2].kind, 2);
    EXPECT_EQ(events[2].value, "0");
}

TEST(BallSatus, EdgeChecksAreStrictAndSendUnreducedWholeDirections) {
    const arena::Arena arena = Built(4);
    struct Case {
        const char* name;
        float left, top;
        const char* direction;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"on the bottom line", 5000, 7560, "200", {}},
        {"below the bottom line", 5000, 7561, "200", {"700"}},
        {"right edge", 10100, 3000, "45", {"315"}},
        {"right edge, above a full turn", 10100, 3000, "450", {"-90"}},
        {"touching the right edge", 10095, 3000, "45", {}},
        {"fractions are floored", 10100, 3000, "45.7", {"314"}},
        {"floored towards minus infinity", -1, 3000, "720.5", {"-1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ball ball = At(c.left, c.top, c.direction);
        // Seat 1 owns the upper-left side, which none of these positions reach.
        EXPECT_EQ(Bounces(BallSatus(ball, arena, 1, Bounds{})), c.expected);
    }
}

TEST(BallSatus, ADirectionThatIsNotANumberGivesNoEvents) {
    const arena::Arena arena = Built(3);
    for (const char* text : {"abc", "", "nan", "inf", "12x"}) {
        Ball ball = At(-5, -5, text);
        EXPECT_TRUE(BallSatus(ball, arena, 0, Bounds{}).empty()) << text;
        EXPECT_EQ(ball.direction, text);
    }
}

TEST(BallSatus, ABounceWithoutAFiniteDirectionEndsTheJudgementUnchanged) {
    const arena::Arena arena = Built(3);
    Ball ball = At(-5, 3000, "1e308");  // 720 - T overflows on the way
    EXPECT_TRUE(BallSatus(ball, arena, 0, Bounds{}).empty());
    EXPECT_EQ(ball.direction, "1e308");
}

TEST(BallSatus, ABallWithoutAFinitePositionIsNotJudged) {
    const arena::Arena arena = Built(3);
    Ball ball = At(std::numeric_limits<float>::quiet_NaN(), -5, "10");
    EXPECT_TRUE(BallSatus(ball, arena, 0, Bounds{}).empty());
    ball = At(5000, std::numeric_limits<float>::infinity(), "10");
    EXPECT_TRUE(BallSatus(ball, arena, 0, Bounds{}).empty());
}

}  // namespace
}  // namespace quorvex::ball
