#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "protocol/numeric.h"
#include "tests/client_state/client_fixture.h"

namespace quorvex::client::testing {
namespace {

using PaddleTest = ClientTest;

// Distance of (x, y) from the line through side `seat`, in twips.
double OffSide(const arena::Arena& a, int seat, float x, float y) {
    const auto& e = a.equations[static_cast<std::size_t>(seat)];
    if (e.vertical)
        return std::fabs(x - e.x);
    return std::fabs(e.slope * x + e.intercept - y) / std::sqrt(1 + e.slope * e.slope);
}

// Timer2 reports only from the first arena build on, and only for a seated player. Then every
// tick reports the own paddle, moved or not, as single-precision texts; a refused report is
// dropped and the next tick tries again.
TEST_F(PaddleTest, EveryTickReportsTheOwnPaddleButNotBeforeTheArenaNorForASpectator) {
    Receive(msg::Roster{{{"Me", 33}}});
    EXPECT_FALSE(state.Timer2_Timer());
    Receive(ScoreboardOf({"11", "22"}));
    const std::string before = Describe(state);
    EXPECT_FALSE(state.Form_MouseMove(3000, 2000));
    EXPECT_FALSE(state.Timer2_Timer());
    EXPECT_EQ(Describe(state), before);
    EXPECT_TRUE(outbox.sent.empty());
    JoinAs(33, {"11", "33", "22", "44"});
    ASSERT_TRUE(state.Form_MouseMove(3000, 2000));
    outbox.refuse = true;
    EXPECT_FALSE(state.Timer2_Timer());
    outbox.refuse = false;
    EXPECT_TRUE(state.Timer2_Timer());
    EXPECT_TRUE(state.Timer2_Timer());
    const auto updates = outbox.All<msg::PaddleUpdate>();
    ASSERT_EQ(updates.size(), 2u);
    const auto& p = state.Arena().players[1];
    EXPECT_EQ(updates[1].seat + ' ' + updates[1].x1 + ' ' + updates[1].y2,
              "1 3000 " + FormatSingle(p.y2));
}

// A rebuild leaves a newly taken paddle at element 0's place; it must be laid on the own side
// (from the side's midpoint before any pointer move) before the next report tells everyone.
TEST_F(PaddleTest, OwnPaddleLiesOnTheOwnSideAfterEveryRebuild) {
    const std::pair<int, int> cases[] = {{1, 0}, {2, 1}, {3, 2}, {4, 1}, {7, 6}};
    for (const auto& [seats, own] : cases) {
        RecordingOutbox box;
        ClientState s{box};
        std::vector<std::string> ids;
        for (int i = 0; i < seats; ++i)
            ids.push_back(i == own ? "33" : std::to_string(100 + i));
        s.HandleMessage(Bytes(msg::Roster{{{"Me", 33}}}));
        s.HandleMessage(Bytes(ScoreboardOf(ids)));
        const auto& a = s.Arena();
        const auto& p = a.players[static_cast<std::size_t>(own)];
        const auto& side = a.barriers[static_cast<std::size_t>(own)];
        EXPECT_LT(OffSide(a, own, p.x1, p.y1) + OffSide(a, own, p.x2, p.y2), 1.0) << seats;
        EXPECT_TRUE(p.x1 >= std::min(side.x1, side.x2) - 1 &&
                    p.x1 <= std::max(side.x1, side.x2) + 1)
            << seats;
        ASSERT_TRUE(s.Timer2_Timer());
        EXPECT_EQ(box.All<msg::PaddleUpdate>().back().x1, FormatSingle(p.x1));
    }
    // Once the pointer has moved, a rebuild lays the paddle where it was.
    state.Form_MouseMove(3000, 2000);
    JoinAs(33, {"11", "33", "22", "44"});
    EXPECT_EQ(state.Arena().players[1].x1, 3000.0f);
}

// A seated client judges each ball against the window's outer width and reports the bounce;
// a spectator judges nothing; a refused event ends the judgement instead of sending the rest.
TEST_F(PaddleTest, BallUpdatesAreJudgedForTheOwnSeatOnly) {
    JoinAs(33, {"11", "22"});
    Receive(msg::BallUpdate{"-5", "-5", "315"});
    EXPECT_TRUE(outbox.sent.empty());
    Receive(ScoreboardOf({"33", "11", "22"}));
    state.SetOuterWidth(9000);
    Receive(msg::BallUpdate{"8800", "3000", "45"});  // 8800 + 255 > 9000
    ASSERT_EQ(outbox.All<msg::BallEvent>().size(), 1u);
    EXPECT_EQ(outbox.All<msg::BallEvent>()[0].kind, msg::kBallBounce);
    EXPECT_EQ(outbox.All<msg::BallEvent>()[0].value, "315");
    EXPECT_EQ(state.Ball().left, 8800.0f);
    EXPECT_EQ(state.Ball().direction, "315");
    outbox.refuse = true;
    Receive(msg::BallUpdate{"-5", "-5", "315"});  // a corner: two bounces due
    EXPECT_EQ(outbox.refused, 1);
}

// Every client, with a window in any state or a computer player without one, bounces the ball
// at the same right edge, 10380, unless told otherwise; the ball as reported stays as it came.
TEST_F(PaddleTest, TheRightEdgeIsTheSameForEveryClient) {
    JoinAs(33, {"33"});
    Receive(msg::BallUpdate{"10125", "4000", "90"});
    EXPECT_TRUE(outbox.sent.empty());
    Receive(msg::BallUpdate{"10126", "4000", "90"});
    ASSERT_EQ(outbox.All<msg::BallEvent>().size(), 1u);
    EXPECT_EQ(outbox.All<msg::BallEvent>()[0].value, "270");
    EXPECT_EQ(state.ReportedBall().direction, "90");
}

}  // namespace
}  // namespace quorvex::client::testing
