#include <gtest/gtest.h>

#include <random>
#include <string>

#include "client/arena/arena.h"
#include "client/ball/ball_status.h"
#include "protocol/numeric.h"

namespace quorvex::ball {
namespace {

// Whatever the arena, paddle, ball and direction, every value sent is a plain whole number.
TEST(BallSatus, EventValuesAreAlwaysPlainWholeNumbers) {
    arena::Arena arena = arena::MakeInitialArena();
    std::mt19937 random(7);
    std::uniform_real_distribution<float> position(-2000, 12000);
    std::uniform_real_distribution<double> direction(-1e6, 1e6);
    std::uniform_int_distribution<int> seatCount(3, 300);
    int bounces = 0;
    int misses = 0;
    for (int round = 0; round < 100; ++round) {
        const int seats = seatCount(random);
        arena::SetUpArena(arena, seats);
        for (int i = 0; i < 50; ++i) {
            const int seat = i % seats;
            arena::MovePaddle(arena, seat, position(random), position(random));
            Ball ball;
            ball.left = position(random);
            ball.top = position(random);
            ball.direction = FormatDouble(direction(random));
            const std::vector<Event> events = BallSatus(ball, arena, seat, Bounds{});
            ASSERT_LE(events.size(), 5u);
            for (const Event& e : events) {
                ASSERT_FALSE(e.value.empty());
                ASSERT_EQ(e.value.find_first_not_of("-0123456789"), std::string::npos) << e.value;
                (e.kind == 1 ? bounces : misses) += 1;
            }
        }
    }
    EXPECT_GT(bounces, 0);
    EXPECT_GT(misses, 0);
}

}  // namespace
}  // namespace quorvex::ball
