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
double OffLine(const arena::Arena& a, int seat, float x, float y) {
    const auto& e = a.equations[static_cast<std::size_t>(seat)];
    if (e.vertical) {
        return std::fabs(x - e.x);
    }
    return std::fabs(e.slope * x + e.intercept - y) / std::sqrt(1 + e.slope * e.slope);
}

TEST_F(PaddleTest, NothingIsReportedBeforeTheFirstArenaBuild) {
    Receive(RosterOf({{"Me", 33}}));
    state.Form_MouseMove(3000, 2000);
    EXPECT_FALSE(state.Timer2_Timer());
    EXPECT_FALSE(state.Timer2Running());
    EXPECT_TRUE(outbox.sent.empty());
}

TEST_F(PaddleTest, SpectatorNeitherMovesNorReports) {
    JoinAs(33, {"11", "22", "44"});
    const std::string before = Describe(state);
    EXPECT_FALSE(state.Form_MouseMove(3000, 2000));
    EXPECT_FALSE(state.Timer2_Timer());
    EXPECT_TRUE(state.Timer2Running());
    EXPECT_EQ(Describe(state), before);
    EXPECT_TRUE(outbox.sent.empty());
}

TEST_F(PaddleTest, SeatedTickReportsTheOwnPaddleAsSingleTexts) {
    JoinAs(33, {"11", "33", "22", "44"});
    ASSERT_TRUE(state.Form_MouseMove(3000, 2000));
    ASSERT_TRUE(state.Timer2_Timer());
    ASSERT_TRUE(state.Timer2_Timer());  // the pointer stood still: same report again
    const auto updates = outbox.All<msg::PaddleUpdate>();
    ASSERT_EQ(updates.size(), 2u);
    const auto& paddle = state.Arena().players[1];
    for (const auto& u : updates) {
        EXPECT_EQ(u.seat, "1");
        EXPECT_EQ(u.x1, FormatSingle(paddle.x1));
        EXPECT_EQ(u.y1, FormatSingle(paddle.y1));
        EXPECT_EQ(u.x2, FormatSingle(paddle.x2));
        EXPECT_EQ(u.y2, FormatSingle(paddle.y2));
    }
    // Four seats, own seat 1, pointer at (3000, 2000).
    EXPECT_EQ(updates[0].x1, "3000");
    EXPECT_NEAR(paddle.y1, 2232.07, 0.05);
    EXPECT_NEAR(paddle.x2, 3708.51, 0.05);
    EXPECT_NEAR(paddle.y2, 1526.37, 0.05);
}

TEST_F(PaddleTest, RefusedReportIsDroppedQuietly) {
    JoinAs(33, {"33"});
    outbox.refuse = true;
    EXPECT_FALSE(state.Timer2_Timer());
    outbox.refuse = false;
    EXPECT_TRUE(state.Timer2_Timer());
}

struct PlacementCase {
    int seats;
    int ownSeat;
};

class PaddleAfterRebuild : public ClientTest,
                           public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(PaddleAfterRebuild, OwnPaddleLiesOnTheOwnSideBeforeAnyPointerMove) {
    const arena::Line initial = arena::MakeInitialArena().players[0];
    std::vector<std::string> ids;
    for (int i = 0; i < GetParam().seats; ++i) {
        ids.push_back(i == GetParam().ownSeat ? "33" : std::to_string(100 + i));
    }
    JoinAs(33, ids);
    ASSERT_EQ(state.PlayerID(), GetParam().ownSeat);
    const auto& a = state.Arena();
    const auto& paddle = a.players[static_cast<std::size_t>(GetParam().ownSeat)];
    EXPECT_LT(OffLine(a, GetParam().ownSeat, paddle.x1, paddle.y1), 1.0);
    EXPECT_LT(OffLine(a, GetParam().ownSeat, paddle.x2, paddle.y2), 1.0);
    EXPECT_FALSE(paddle.x1 == initial.x1 && paddle.y1 == initial.y1);
    // Started at the side's midpoint, so the paddle's start is within the side's span.
    const auto& side = a.barriers[static_cast<std::size_t>(GetParam().ownSeat)];
    EXPECT_GE(paddle.x1, std::min(side.x1, side.x2) - 1);
    EXPECT_LE(paddle.x1, std::max(side.x1, side.x2) + 1);
    EXPECT_TRUE(
        arena::WithInPerimeter(a, GetParam().ownSeat, arena::kArenaCenterX, arena::kArenaCenterY));

    ASSERT_TRUE(state.Timer2_Timer());
    EXPECT_EQ(outbox.All<msg::PaddleUpdate>().back().x1, FormatSingle(paddle.x1));
}

INSTANTIATE_TEST_SUITE_P(Arenas, PaddleAfterRebuild,
                         ::testing::Values(PlacementCase{1, 0}, PlacementCase{2, 1},
                                           PlacementCase{3, 0}, PlacementCase{3, 2},
                                           PlacementCase{4, 1}, PlacementCase{6, 0},
                                           PlacementCase{7, 6}),
                         [](const auto& c) {
                             return "Seats" + std::to_string(c.param.seats) + "Own" +
                                    std::to_string(c.param.ownSeat);
                         });

TEST_F(PaddleTest, RebuildPlacesTheOwnPaddleFromTheLastPointer) {
    state.Form_MouseMove(3000, 2000);  // before the arena exists: only remembered
    JoinAs(33, {"11", "33", "22", "44"});
    const auto& paddle = state.Arena().players[1];
    EXPECT_EQ(paddle.x1, 3000.0f);
    EXPECT_NEAR(paddle.y1, 2232.07, 0.05);

    // Seated at another side after the next seat list: laid there from the same pointer.
    Receive(ScoreboardOf({"33", "11", "22", "44"}));
    const auto& moved = state.Arena().players[0];
    EXPECT_NEAR(moved.x1, 7236.20, 0.05);  // seat 0 projects by y: (7000, 2000) -> x on the side
    EXPECT_EQ(moved.y1, 2000.0f);
}

class BallGlueTest : public ClientTest {
  protected:
    std::vector<msg::BallEvent> Events() const { return outbox.All<msg::BallEvent>(); }
};

TEST_F(BallGlueTest, OffTheLeftEdgeWhileSeatedSendsABounce) {
    JoinAs(33, {"33", "11", "22"});
    Receive(msg::BallUpdate{"-5", "3000", "315"});
    EXPECT_EQ(state.Ball().left, -5.0f);
    EXPECT_EQ(state.Ball().top, 3000.0f);
    const auto events = Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events[0].kind, msg::kBallBounce);
    EXPECT_EQ(events[0].value, "405");
    EXPECT_EQ(state.Ball().direction, "405");
}

TEST_F(BallGlueTest, UsesTheWindowsOuterWidthForTheRightEdge) {
    JoinAs(33, {"33", "11", "22"});
    state.SetOuterWidth(9000);
    Receive(msg::BallUpdate{"8800", "3000", "45"});  // 8800 + 255 > 9000
    ASSERT_FALSE(Events().empty());
    EXPECT_EQ(Events()[0].value, "315");
}

TEST_F(BallGlueTest, SpectatorJudgesNothing) {
    JoinAs(33, {"11", "22"});
    Receive(msg::BallUpdate{"-5", "-5", "315"});
    EXPECT_TRUE(outbox.sent.empty());
    EXPECT_EQ(state.Ball().direction, "315");
}

TEST_F(BallGlueTest, RefusedEventEndsTheJudgement) {
    JoinAs(33, {"33", "11", "22"});
    outbox.refuse = true;
    Receive(msg::BallUpdate{"-5", "-5", "315"});  // a corner: two bounces due
    EXPECT_EQ(outbox.refused, 1);
}

TEST_F(BallGlueTest, CoordinatesThatAreNoNumbersLeaveTheBallAlone) {
    JoinAs(33, {"33", "11", "22"});
    const std::string before = Describe(state);
    for (const auto& update : {msg::BallUpdate{"abc", "3000", "0"}, msg::BallUpdate{"1", "2x", "0"},
                               msg::BallUpdate{"nan", "1", "0"}, msg::BallUpdate{"1e40", "1", "0"},
                               msg::BallUpdate{"", "1", "0"}}) {
        Receive(update);
        EXPECT_EQ(Describe(state), before) << update.left << ' ' << update.top;
    }
    EXPECT_TRUE(outbox.sent.empty());
}

}  // namespace
}  // namespace quorvex::client::testing
