#include <gtest/gtest.h>

#include <algorithm>

#include "tests/server_game/recording_outbox.h"

namespace quorvex::server {
namespace {

using harness::Column;
using harness::Connect;
using harness::RecordingOutbox;

constexpr std::uint8_t kGameSettings = 8;

struct RoundCase {
    const char* name;
    GameType type;
    std::string limit;  // set after the game type is picked
    int seats;
    std::vector<int> missesBySeat;  // in order of occurrence
    std::vector<std::string> wins;
    std::vector<std::string> misses;
    bool ended;
};

class Rounds : public ::testing::TestWithParam<RoundCase> {};

TEST_P(Rounds, EndByTheRuleOfTheGameType) {
    const auto& c = GetParam();
    RecordingOutbox out;
    ServerGame game(out);
    Connect(game, std::vector<std::string>(static_cast<std::size_t>(c.seats), "p"));
    game.PickGameType(c.type);
    ASSERT_TRUE(game.SetLimitText(c.limit));
    game.OnReceive(harness::Ready());
    out.sent.clear();
    for (const int seat : c.missesBySeat) {
        game.CountMiss(seat);
    }
    EXPECT_EQ(Column(game, &SeatRow::playerWins), c.wins);
    EXPECT_EQ(Column(game, &SeatRow::playerMisses), c.misses);
    const auto types = out.Types();
    EXPECT_EQ(std::count(types.begin(), types.end(), kGameSettings), c.ended ? 1 : 0);
    EXPECT_EQ(game.ReadyCount(), c.ended ? 0 : 1);
    if (c.ended) {
        EXPECT_EQ(out.Last<msg::GameSettings>()->gameType, static_cast<std::uint8_t>(c.type));
    }
}

const auto P = GameType::Points;
const auto S = GameType::Survivor;
const auto F = GameType::FreeForAll;

INSTANTIATE_TEST_SUITE_P(
    Rules, Rounds,
    ::testing::Values(
        RoundCase{"PointsWinsAreLimitLessMisses",
                  P,
                  "3",
                  3,
                  {1, 0, 0, 0},
                  {"0", "2", "3"},
                  {"0", "0", "0"},
                  true},
        RoundCase{"PointsNoSeatAtTheLimit", P, "3", 2, {0, 0, 1}, {"0", "0"}, {"2", "1"}, false},
        RoundCase{"PointsLimitZeroEndsAtFirstMiss", P, "0", 2, {0}, {"-1", "0"}, {"0", "0"}, true},
        RoundCase{
            "PointsTwoDigitLimitWithLeadingZero", P, "05", 1, {0, 0, 0, 0, 0}, {"0"}, {"0"}, true},
        RoundCase{"SurvivorAllButTwoOverTheLimit",
                  S,
                  "2",
                  3,
                  {1, 2, 2, 0, 0, 0},
                  {"0", "1", "1"},
                  {"0", "0", "0"},
                  true},
        RoundCase{
            "SurvivorNotYet", S, "2", 3, {1, 2, 2, 0, 0}, {"0", "0", "0"}, {"2", "1", "2"}, false},
        RoundCase{"SurvivorTwoSeatsFirstMissEnds", S, "1", 2, {1}, {"1", "1"}, {"0", "0"}, true},
        RoundCase{"SurvivorTwoSeatsLimitZeroNeverEnds",
                  S,
                  "0",
                  2,
                  {1, 0, 1},
                  {"0", "0"},
                  {"1", "2"},
                  false},
        RoundCase{
            "FreeForAllMissesOnlyAddUp", F, "1", 2, {0, 0, 0, 1}, {"0", "0"}, {"3", "1"}, false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(Rounds, PointsResultReplacesEarlierWins) {
    RecordingOutbox out;
    ServerGame game(out);
    Connect(game, {"ann", "bob"});
    game.PickGameType(GameType::Points);  // limit becomes "1"
    game.CountMiss(0);
    game.CountMiss(0);
    EXPECT_EQ(Column(game, &SeatRow::playerWins), (std::vector<std::string>{"0", "1"}));
}

TEST(ReadyCount, EveryReadyCountsAndIsAnnounced) {
    RecordingOutbox out;
    ServerGame game(out);
    game.OnReceive(harness::Ready());
    game.OnReceive(harness::Ready());
    EXPECT_EQ(game.ReadyCount(), 2);
    ASSERT_EQ(out.sent.size(), 2u);
    EXPECT_EQ(out.Last<msg::ReadyCount>()->count, "2");
}

TEST(ReadyCount, StaysInsideSixteenBits) {
    RecordingOutbox out;
    ServerGame game(out);
    const Buffer ready = harness::Ready();
    while (game.ReadyCount() < 32767) {
        ASSERT_TRUE(game.OnReceive(ready));
        out.sent.clear();
    }
    game.OnReceive(ready);
    EXPECT_EQ(game.ReadyCount(), 32767);
    EXPECT_TRUE(out.sent.empty());

    ServerGame low(out);
    Connect(low, {"ann"});
    const Buffer withdraw = harness::SeatRequest(3, "999");
    while (low.ReadyCount() > -32768) {
        low.OnReceive(withdraw);
    }
    out.sent.clear();
    low.OnReceive(harness::SeatRequest(3, "101"));  // dropped whole: the seat stays too
    EXPECT_EQ(low.ReadyCount(), -32768);
    EXPECT_EQ(low.Seats().size(), 1u);
    EXPECT_TRUE(out.sent.empty());
}

}  // namespace
}  // namespace quorvex::server
