// A computer player between rounds: it presses Ready after a person's pause, never before and
// never while spectating, again after each round; in play it reports its own seat's paddle.

#include <gtest/gtest.h>

#include "client/bot/computer_player.h"
#include "tests/client_state/client_fixture.h"

namespace quorvex::client::bot {
namespace {

using testing::Bytes;
using testing::ScoreboardOf;

TEST(ComputerPlayer, PressesReadyAfterAPauseAndReportsOnlyItsOwnSeat) {
    testing::RecordingOutbox server;
    ComputerPlayer cpu(server, "CPU 1", 1, 7);
    const auto readies = [&] { return server.All<msg::ReadyRequest>().size(); };
    cpu.OnMessage(Bytes(msg::Roster{{{"Ann", 4}, {"CPU 1", 9}}}), 0);
    cpu.OnMessage(Bytes(ScoreboardOf({"4", "9"})), 0);
    EXPECT_FALSE(cpu.ReadyDueAt()) << "no lobby before the first settings";
    for (const std::int64_t shown : {1000, 9000}) {  // the first lobby, then a round's end
        cpu.OnMessage(Bytes(msg::GameSettings{msg::kGamePoints, "1"}), shown);
        ASSERT_TRUE(cpu.ReadyDueAt());
        const std::int64_t due = *cpu.ReadyDueAt();
        EXPECT_TRUE(due >= shown + 700 && due <= shown + 1800) << due;
        const auto before = readies();
        cpu.PressReadyIfDue(due - 1);
        EXPECT_EQ(readies(), before);
        cpu.PressReadyIfDue(due);
        EXPECT_EQ(readies(), before + 1);
        EXPECT_FALSE(cpu.ReadyDueAt());
    }
    for (int tick = 0; tick < 5; ++tick)
        cpu.OnTimer2(10000 + 100 * tick);
    const auto paddles = server.All<msg::PaddleUpdate>();
    ASSERT_EQ(paddles.size(), 5u);
    for (const auto& p : paddles)
        EXPECT_EQ(p.seat, "1");
    // Spectating, nobody waits for its Ready.
    cpu.OnMessage(Bytes(ScoreboardOf({"4"})), 11000);
    cpu.OnMessage(Bytes(msg::GameSettings{msg::kGamePoints, "1"}), 11000);
    EXPECT_FALSE(cpu.ReadyDueAt());
}

}  // namespace
}  // namespace quorvex::client::bot
