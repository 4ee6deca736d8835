// The steering hand alone: given time, it puts the paddle where the client's own ball rule
// will find the ball crossing its side.

#include <gtest/gtest.h>

#include <cmath>

#include "client/bot/steering.h"

namespace quorvex::test {
namespace {

// The server's step: 255 units along the direction, rounded down.
void Step(ball::Ball& b) {
    const double a = std::stod(b.direction) * 3.14 / 180;
    b.left = static_cast<float>(std::floor(b.left + std::sin(a) * 255));
    b.top = static_cast<float>(std::floor(b.top - std::cos(a) * 255));
}

TEST(Steering, MeetsTheBallWhereItCrossesTheOwnSide) {
    // Four seats: side 0 upper right, side 1 upper left, side 2 lower left, side 3 lower right.
    const std::pair<int, const char*> cases[] = {{0, "30"},  {0, "45"},  {0, "65"},
                                                 {1, "300"}, {1, "330"}, {2, "205"},
                                                 {2, "240"}, {3, "120"}, {3, "160"}};
    for (const auto& [seat, direction] : cases) {
        auto arena = arena::MakeInitialArena();
        arena::SetUpArena(arena, 4);
        ball::Ball b{.left = 5235, .top = 3750, .direction = direction};
        client::bot::Steering hand(5, 1);
        hand.Move(0, arena, seat);  // the hand's first place: the side's middle
        hand.See(0, b, arena, seat, 4, {});
        const auto pointer = hand.Move(3000, arena, seat);
        ASSERT_TRUE(pointer);
        ASSERT_TRUE(arena::MovePaddle(arena, seat, pointer->x, pointer->y));
        std::vector<ball::Event> events;
        for (int i = 0; i < 40 && events.empty(); ++i) {
            Step(b);
            events = ball::BallSatus(b, arena, seat, {});
        }
        ASSERT_EQ(events.size(), 1u) << direction;
        EXPECT_EQ(events[0].kind, 1) << "missed at seat " << seat << ", direction " << direction;
    }
}

}  // namespace
}  // namespace quorvex::test
