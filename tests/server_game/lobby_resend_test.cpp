// Dedicated mode's lobby: a seat taken while the lobby waits for Ready sends the settings
// again, so that the newcomer sees the lobby too; the console window's operator does it there.

#include <gtest/gtest.h>

#include "tests/server_game/recording_outbox.h"

namespace quorvex::server {
namespace {

using namespace harness;

TEST(LobbyResend, ASeatTakenInAWaitingLobbySendsTheSettingsOnceAgain) {
    const struct {
        bool on;
        GameType type;
        bool ballRunning;
        bool resent;
    } cases[] = {{true, GameType::Points, false, true},
                 {true, GameType::Survivor, false, true},
                 {true, GameType::FreeForAll, false, false},  // no lobby to wait in
                 {true, GameType::Points, true, false},       // a round under way
                 {false, GameType::Points, false, false}};    // the window's operator does it
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type) * 10 + c.ballRunning);
        Game g({"ann"});
        g.SetLobbyResend(c.on);
        g.PickGameType(c.type);
        if (c.ballRunning) {
            g.OnReceive(Ready());
            ASSERT_TRUE(g.BallGate());
        }
        g.OnCreatePlayer(102, "bob");
        g.OnReceive(SeatRequest(1, "101"));  // arriving together: one resend
        g.sent.clear();
        EXPECT_EQ(g.LobbyResendDue(), c.resent);
        EXPECT_EQ(g.ResendLobby(), c.resent);
        EXPECT_EQ(g.sent.size(), c.resent ? 1u : 0u);
        if (c.resent) {
            const std::string limit = c.type == GameType::Points ? "1" : "0";
            EXPECT_EQ(g.sent[0],
                      Bytes(msg::GameSettings{static_cast<std::uint8_t>(c.type), limit}));
        }
        EXPECT_FALSE(g.ResendLobby());
    }
}

// Only a seat taken while the lobby waits counts: not one taken in a running round, even when
// the ball stops before the resend would go out; nor one whose lobby closed in the meantime.
TEST(LobbyResend, OnlyWhileTheLobbyWaitsFromTheSeatToTheResend) {
    Game g({"ann"});
    g.SetLobbyResend(true);
    g.PickGameType(GameType::Survivor);
    g.OnReceive(Ready());
    ASSERT_TRUE(g.BallGate());
    g.OnCreatePlayer(102, "bob");
    ASSERT_FALSE(g.BallGate());  // one seat more than the ready count
    EXPECT_FALSE(g.LobbyResendDue());

    g.PickGameType(GameType::Survivor);
    g.OnCreatePlayer(103, "cy");
    ASSERT_TRUE(g.LobbyResendDue());
    for (int i = 0; i < 3; ++i)
        g.OnReceive(Ready());
    ASSERT_TRUE(g.BallGate());
    g.sent.clear();
    EXPECT_FALSE(g.ResendLobby());
    EXPECT_TRUE(g.sent.empty());
    EXPECT_EQ(g.ReadyCount(), 3);
}

// A player who knows the lobby, standing up and sitting down again and again, must not make
// everyone press Ready again each time; a newcomer's seat still does, once.
TEST(LobbyResend, OnlyForAPlayerWhoHasNotHeardThisLobby) {
    Game g({"ann"});
    g.SetLobbyResend(true);
    g.PickGameType(GameType::Points);
    const struct {
        std::int32_t newcomer;  // 0: bob stands up and sits down again
        bool due;
    } steps[] = {{102, true}, {0, false}, {0, false}, {103, true}, {0, false}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.newcomer);
        if (step.newcomer) {
            g.OnCreatePlayer(step.newcomer, "newcomer");
        } else {
            g.OnReceive(SeatRequest(msg::kSeatGiveUp, "102"));
            g.OnReceive(SeatRequest(msg::kSeatTake, "102"));
        }
        EXPECT_EQ(g.LobbyResendDue(), step.due);
        EXPECT_EQ(g.ResendLobby(), step.due);
    }
}

}  // namespace
}  // namespace quorvex::server
