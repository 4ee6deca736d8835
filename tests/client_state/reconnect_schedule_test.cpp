// When a client whose connection went tries again, and which failures are worth another try.

#include <gtest/gtest.h>

#include "client/link/reconnect_schedule.h"

namespace quorvex::client {
namespace {

TEST(ReconnectSchedule, AtOnceThenDoublingWaitsUpToASecondUntilTheGraceIsOver) {
    ReconnectSchedule schedule(1000, 3000);  // lost at 1000 ms, the player kept until 4000
    std::int64_t now = 1000;
    std::vector<std::int64_t> waits;
    while (const auto wait = schedule.NextWaitMs(now)) {
        waits.push_back(*wait);
        now += *wait + 10;  // each try takes a little
    }
    EXPECT_EQ(waits, (std::vector<std::int64_t>{0, 250, 500, 1000, 1000}));
    EXPECT_EQ(schedule.AttemptMs(3900), 100);  // a try never outlives the grace
    EXPECT_EQ(schedule.AttemptMs(1000), kRetryAttemptMs);
}

TEST(ReconnectSchedule, ALinkStillDownIsTriedAgainARefusalIsFinal) {
    using session::ErrorCode;
    for (const auto code : {ErrorCode::ConnectionRefused, ErrorCode::TimedOut,
                            ErrorCode::WrongApplication, ErrorCode::ServerBusy})
        EXPECT_TRUE(WorthRetrying(code)) << static_cast<int>(code);
    for (const auto code : {ErrorCode::ResumeRefused, ErrorCode::Banned, ErrorCode::PasswordLockout,
                            ErrorCode::ProtocolError})
        EXPECT_FALSE(WorthRetrying(code)) << static_cast<int>(code);
}

}  // namespace
}  // namespace quorvex::client
