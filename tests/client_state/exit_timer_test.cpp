#include "client/state/exit_timer.h"

#include <gtest/gtest.h>

namespace quorvex::client {
namespace {

TEST(ExitTimer, EndsOnTheTenthTickWithInterval1024) {
    ExitTimer timer;
    EXPECT_EQ(timer.Interval(), 1);
    std::int32_t waited = 0;
    for (int tick = 1; tick <= 9; ++tick) {
        waited += timer.Interval();
        EXPECT_FALSE(timer.Tick()) << "tick " << tick;
        EXPECT_EQ(timer.Interval(), 1 << tick);
    }
    waited += timer.Interval();
    EXPECT_TRUE(timer.Tick());
    EXPECT_EQ(timer.Interval(), 1024);
    EXPECT_EQ(waited, 1023);
}

TEST(ExitTimer, LateTicksStayFinishedWithoutOverflow) {
    ExitTimer timer;
    for (int tick = 0; tick < 100; ++tick)
        timer.Tick();
    EXPECT_TRUE(timer.Finished());
    EXPECT_TRUE(timer.Tick());
    EXPECT_EQ(timer.Interval(), 1024);
}

}  // namespace
}  // namespace quorvex::client
