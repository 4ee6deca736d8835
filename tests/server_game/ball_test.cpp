#include <gtest/gtest.h>

#include <set>

#include "tests/server_game/recording_outbox.h"

namespace quorvex::server {
namespace {

using harness::BallEvent;
using harness::Column;
using harness::Connect;
using harness::Dump;
using harness::RecordingOutbox;

constexpr std::uint8_t kScoreboard = 4, kGameSettings = 8;

RandomSource Always(double draw) {
    return [draw] { return draw; };
}

struct StepCase {
    std::string angle;
    std::string left;
    std::string top;
};

class BallSteps : public ::testing::TestWithParam<StepCase> {};

TEST_P(BallSteps, MoveOneStepFromTheStartAndReport) {
    const auto& c = GetParam();
    RecordingOutbox out;
    ServerGame game(out);
    ASSERT_TRUE(game.HandleBallEvent(BallEvent(1, c.angle)));
    EXPECT_TRUE(out.sent.empty());  // a bounce is only reported by the next step
    ASSERT_TRUE(game.BallStep());
    EXPECT_EQ(game.BallLeft(), c.left);
    EXPECT_EQ(game.BallTop(), c.top);
    const auto update = out.Last<msg::BallUpdate>();
    ASSERT_TRUE(update);
    EXPECT_EQ(update->left, c.left);
    EXPECT_EQ(update->top, c.top);
    EXPECT_EQ(update->angle, c.angle);
}

INSTANTIATE_TEST_SUITE_P(
    Directions, BallSteps,
    ::testing::Values(StepCase{"0", "5235", "3495"}, StepCase{"45", "5415", "3569"},
                      StepCase{"90", "5489", "3749"}, StepCase{"135", "5415", "3930"},
                      StepCase{"180", "5235", "4004"}, StepCase{"270", "4980", "3750"},
                      StepCase{"359", "5229", "3495"}));

TEST(Bounces, TextsThatAreNoFiniteNumberAreIgnored) {
    RecordingOutbox out;
    ServerGame game(out);
    game.HandleBallEvent(BallEvent(1, "90"));
    for (const char* text : {"abc", "inf", "nan", "1e999", "", "12x"}) {
        EXPECT_FALSE(game.HandleBallEvent(BallEvent(1, text))) << text;
        EXPECT_EQ(game.BallAngle(), "90") << text;
    }
    EXPECT_TRUE(game.BallStep());
    EXPECT_EQ(game.BallLeft(), "5489");
}

TEST(Misses, EveryKindButBounceIsAMissThatResetsTheBall) {
    for (const std::uint8_t kind : {0, 2, 255}) {
        RecordingOutbox out;
        ServerGame game(out, Always(0.5));
        Connect(game, {"ann"});
        game.HandleBallEvent(BallEvent(1, "45"));
        game.BallStep();
        out.sent.clear();
        EXPECT_TRUE(game.HandleBallEvent(BallEvent(kind, "0")));
        EXPECT_EQ(Column(game, &SeatRow::playerMisses), (std::vector<std::string>{"1"}));
        EXPECT_EQ(game.BallLeft(), "5235");
        EXPECT_EQ(game.BallTop(), "3750");
        EXPECT_EQ(game.BallAngle(), "180");
        ASSERT_EQ(out.Types(), (std::vector<std::uint8_t>{kScoreboard}));
        EXPECT_EQ(out.Last<msg::Scoreboard>()->seats.at(0).misses, "1");
    }
}

TEST(Misses, RoundEndSettingsComeBeforeTheScoreboard) {
    RecordingOutbox out;
    ServerGame game(out);
    Connect(game, {"ann", "bob"});
    game.PickGameType(GameType::Points);
    out.sent.clear();
    game.HandleBallEvent(BallEvent(2, "1"));
    EXPECT_EQ(out.Types(), (std::vector<std::uint8_t>{kGameSettings, kScoreboard}));
}

TEST(Misses, OutsideTheSeatsAreIgnoredWhole) {
    RecordingOutbox out;
    ServerGame game(out);
    Connect(game, {"ann"});
    game.HandleBallEvent(BallEvent(1, "45"));
    game.BallStep();
    out.sent.clear();
    const auto before = Dump(game);
    for (const char* seat : {"1", "-1", "1.5", "40000", "1e999"}) {
        game.HandleBallEvent(BallEvent(2, seat));
    }
    EXPECT_EQ(Dump(game), before);
    EXPECT_TRUE(out.sent.empty());
}

TEST(Directions, DrawsBecomeWholeDegreesBelow360) {
    const std::vector<std::pair<double, std::string>> cases = {
        {0.0, "0"}, {0.5, "180"}, {0.9999, "359"}, {0.99999999, "359"}, {1.0, "359"}, {-0.1, "0"}};
    for (const auto& [draw, angle] : cases) {
        RecordingOutbox out;
        ServerGame game(out, Always(draw));
        game.ResetBall();
        EXPECT_EQ(game.BallAngle(), angle) << draw;
        game.HandleBallEvent(BallEvent(1, "7"));
        game.StartUpBallDirection();
        EXPECT_EQ(game.BallAngle(), angle) << draw;
    }
}

TEST(Directions, EveryStartDrawsTheSameSequence) {
    RecordingOutbox out;
    ServerGame first(out);
    ServerGame second(out);
    std::set<std::string> seen;
    for (int i = 0; i < 20; ++i) {
        first.ResetBall();
        second.ResetBall();
        EXPECT_EQ(first.BallAngle(), second.BallAngle());
        seen.insert(first.BallAngle());
    }
    EXPECT_GT(seen.size(), 10u);  // and yet a spread of directions
}

struct GateCase {
    GameType type;
    int seats;
    int ready;
    bool runs;
};

class Gating : public ::testing::TestWithParam<GateCase> {};

TEST_P(Gating, RunsWhenEnoughAreReadyOrAlwaysInFreeForAll) {
    const auto& c = GetParam();
    RecordingOutbox out;
    ServerGame game(out);
    Connect(game, {"ann", "bob"});
    game.PickGameType(c.type);
    for (int i = 2; i > c.seats; --i) {
        game.RemovePlayer(100 + i);
    }
    for (int i = 0; i < c.ready; ++i) {
        game.OnReceive(harness::Ready());
    }
    if (c.ready < 0) {
        game.OnReceive(harness::SeatRequest(3, "999"));
    }
    EXPECT_EQ(game.BallGate(), c.runs);
    EXPECT_EQ(game.BallTimerRunning(), c.runs);
}

INSTANTIATE_TEST_SUITE_P(Cases, Gating,
                         ::testing::Values(GateCase{GameType::Survivor, 2, 1, false},
                                           GateCase{GameType::Survivor, 2, 2, true},
                                           GateCase{GameType::Points, 2, 3, true},
                                           GateCase{GameType::Points, 1, -1, false},
                                           GateCase{GameType::FreeForAll, 1, 0, true},
                                           GateCase{GameType::FreeForAll, 0, 0, false},
                                           GateCase{GameType::Points, 0, 2, false}));

}  // namespace
}  // namespace quorvex::server
