#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <regex>

#include "client/arena/arena.h"
#include "client/ball/ball_status.h"
#include "protocol/numeric.h"
#include "tests/arena/arena_fixtures.h"

namespace quorvex::ball {
namespace {

// The stepping the game has always done, for values where it ends.
double SteppedDirection(double d) {
    while (d < 0)
        d += 360;
    while (d > 360)
        d -= 360;
    return d;
}

// A hit's direction comes into [0, 360] exactly as stepping brings it, both ends possible, and
// in bounded time even for huge values.
TEST(NormalizeHitDirection, AsSteppingForOrdinaryValuesAndBoundedForHugeOnes) {
    for (const double d : {0.0, 360.0, 720.0, -360.0, -0.5, 360.5, 1080.25, -1e-14})
        EXPECT_EQ(NormalizeHitDirection(d), SteppedDirection(d)) << d;
    std::mt19937 random(42);
    std::uniform_real_distribution<double> value(-100000, 100000);
    for (int i = 0; i < 20000; ++i) {
        const double d = value(random);
        ASSERT_EQ(NormalizeHitDirection(d), SteppedDirection(d)) << d;
    }
    for (const double d : {1e20, -1e300, std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::lowest()}) {
        const double out = NormalizeHitDirection(d);
        EXPECT_TRUE(out >= 0 && out <= 360) << d;
    }
}

// Whatever the arena, paddle, ball and direction, at most five events go out and every value
// sent is a plain whole number.
TEST(BallSatus, EventValuesAreAlwaysPlainWholeNumbers) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> position(-2000, 12000);
    std::uniform_real_distribution<double> direction(-1e6, 1e6);
    const std::regex whole("-?[0-9]+");
    int counts[3] = {};  // by kind: bounces and misses must both occur
    for (int seats = 3; seats <= 300; seats += 3) {
        arena::Arena arena = arena::testing::Built(seats);
        for (int i = 0; i < 50; ++i) {
            arena::MovePaddle(arena, i % seats, position(random), position(random));
            Ball ball{.left = position(random), .top = position(random)};
            ball.direction = FormatDouble(direction(random));
            const std::vector<Event> events = BallSatus(ball, arena, i % seats, Bounds{});
            ASSERT_LE(events.size(), 5u);
            for (const Event& e : events) {
                ASSERT_TRUE(std::regex_match(e.value, whole)) << e.value;
                ++counts[e.kind % 3];
            }
        }
    }
    EXPECT_TRUE(counts[1] > 0 && counts[2] > 0);
}

}  // namespace
}  // namespace quorvex::ball
